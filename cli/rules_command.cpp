// vexilo-cli rules: applies a rule file to texts, as the load pipeline does to referers
// and user agents.

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "rules/rule_file.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace cli {
namespace {

struct RulesArgs
{
    std::string path;
    std::vector<std::string> texts;
};

int applyRules(const RulesArgs& args)
{
    if (!platform::fileExists(args.path)) {
        std::fprintf(stderr, "vexilo-cli: rules: cannot read %s\n", args.path.c_str());
        return kExitFailure;
    }
    const rules::RuleList list = rules::LoadRules(args.path);
    int status = kExitSuccess;
    std::string out;
    for (const std::string& input : args.texts) {
        std::u16string text = platform::utf8ToUtf16(input);
        if (const int rc = rules::EvaluateRules(list, text)) {
            std::fprintf(stderr, "vexilo-cli: rules: evaluating \"%s\" failed (err=%d(0x%X))\n",
                         input.c_str(), rc, static_cast<unsigned>(rc));
            text.clear(); // one line per text all the same
            status = kExitUsage;
        }
        out += platform::utf16ToUtf8(text);
        out += '\n';
    }
    standardOutput().write(out);
    return status;
}

} // namespace

void addRulesCommand(CLI::App& app)
{
    auto args = std::make_shared<RulesArgs>();
    CLI::App* command =
        addCommand(app, "rules",
                   "apply a rule file to texts\n"
                   "Prints for each TEXT the outcome of the rule file on one line; an empty line\n"
                   "means no classification.",
                   [args] { return applyRules(*args); });
    command->add_option("FILE", args->path, "the rule file (.ini)")->required();
    command->add_option("TEXT", args->texts, "texts to classify, UTF-8")->required();
    command->positionals_at_end();
    command->footer("Exit status 2 when a regular expression fails (the error number goes to\n"
                    "standard error).");
}

} // namespace cli
