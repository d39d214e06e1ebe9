// vexilo-cli dump: one line per record in file order, TAB-separated, texts as raw bytes.

#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "import/vxlog_reader.h"

namespace cli {
namespace {

void appendNumber(std::string& out, std::uint32_t value)
{
    char digits[16];
    const int n = std::snprintf(digits, sizeof digits, "%u", value);
    out.append(digits, static_cast<std::size_t>(n));
}

} // namespace

int dumpCommand(const Args& args)
{
    if (args.size() != 1 || args[0] == "--help") {
        std::fputs("usage: vexilo-cli dump FILE.vxlog\n"
                   "prints per record: time (UTC seconds), host, bytes, status, method, path,\n"
                   "referer, user, agent, query, referer query, separated by TABs\n",
                   args.size() == 1 ? stdout : stderr);
        return args.size() == 1 ? 0 : 2;
    }
    sievra::AnalysedLogFile log;
    if (const int rc = log.open(args[0])) {
        std::fprintf(stderr, "vexilo-cli: cannot read %s: %s (err=%d(0x%X))\n", args[0].c_str(),
                     sievra::analysedLogError(rc).c_str(), rc, static_cast<unsigned>(rc));
        return 1;
    }
    std::string out;
    out.reserve(1 << 20);
    for (const auto& record : log.records()) {
        const std::uint32_t* f = log.fragment(record.fragment);
        appendNumber(out, record.time);
        out += '\t';
        out += log.text(record.host);
        out += '\t';
        appendNumber(out, f[0]);
        out += '\t';
        appendNumber(out, f[1]);
        out += '\t';
        if (f[2])
            out.append(reinterpret_cast<const char*>(&f[2]), 4);
        for (int field = 3; field < 9; ++field) {
            out += '\t';
            out += log.text(f[field]);
        }
        out += '\n';
        if (out.size() > (1 << 20) - 8192) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace cli
