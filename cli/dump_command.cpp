// vexilo-cli dump: one line per record in file order, TAB-separated, texts as raw bytes.

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "import/vxlog_reader.h"
#include "platform/tab_fields.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace cli {
namespace {

constexpr std::size_t kChunk = 1 << 20; // bytes handed to standard output at a time

void appendNumber(std::string& out, std::uint32_t value)
{
    char digits[16];
    const int n = std::snprintf(digits, sizeof digits, "%u", value);
    out.append(digits, static_cast<std::size_t>(n));
}

int dump(const std::string& path)
{
    sievra::AnalysedLogFile log;
    if (const int rc = log.open(path)) {
        std::fprintf(stderr, "vexilo-cli: cannot read %s: %s (err=%d(0x%X))\n", path.c_str(),
                     sievra::analysedLogError(rc).c_str(), rc, static_cast<unsigned>(rc));
        return kExitFailure;
    }
    Output& output = standardOutput();
    std::string out;
    out.reserve(kChunk);
    for (const auto& record : log.records()) {
        const std::uint32_t* f = log.fragment(record.fragment);
        appendNumber(out, record.time);
        out += '\t';
        platform::appendTabField(out, log.text(record.host));
        out += '\t';
        appendNumber(out, f[0]);
        out += '\t';
        appendNumber(out, f[1]);
        out += '\t';
        if (f[2])
            out.append(reinterpret_cast<const char*>(&f[2]), 4);
        for (int field = 3; field < 9; ++field) {
            out += '\t';
            platform::appendTabField(out, log.text(f[field]));
        }
        out += '\n';
        if (out.size() > kChunk - 8192) {
            if (!output.write(out))
                return kExitFailure; // the rest would be lost as well
            out.clear();
        }
    }
    output.write(out);
    return kExitSuccess;
}

} // namespace

void addDumpCommand(CLI::App& app)
{
    auto path = std::make_shared<std::string>();
    CLI::App* command =
        addCommand(app, "dump",
                   "print the records of an analysed log\n"
                   "One line per record in file order: time (UTC seconds), host, bytes, status,\n"
                   "method, path, referer, user, agent, query, referer query, separated by TABs;\n"
                   "texts as stored (CP932).",
                   [path] { return dump(*path); });
    command->add_option("FILE", *path, "the analysed log (.vxlog)")->required();
}

} // namespace cli
