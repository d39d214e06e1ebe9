// vexilo-cli rules: applies a rule file to texts, as the load pipeline does to referers
// and user agents.

#include "cli/commands.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "rules/rule_file.h"

#include <cstdio>
#include <string>

namespace cli {

int rulesCommand(const Args& args)
{
    const bool help = args.size() == 1 && args[0] == "--help";
    const std::size_t next = !args.empty() && args[0] == "--" ? 1 : 0;
    if (help || args.size() < next + 2) {
        std::fputs("usage: vexilo-cli rules [--] FILE.ini TEXT...\n"
                   "prints for each TEXT (UTF-8) the outcome of the rule file on one line; an\n"
                   "empty line means no classification. Exit status 2 when a regular\n"
                   "expression fails (the error number goes to standard error).\n",
                   help ? stdout : stderr);
        return help ? 0 : 2;
    }
    const std::string& path = args[next];
    if (!platform::fileExists(path)) {
        std::fprintf(stderr, "vexilo-cli: rules: cannot read %s\n", path.c_str());
        return 1;
    }
    const rules::RuleList list = rules::LoadRules(path);
    int status = 0;
    std::string out;
    for (std::size_t i = next + 1; i < args.size(); ++i) {
        std::u16string text = platform::utf8ToUtf16(args[i]);
        if (const int rc = rules::EvaluateRules(list, text)) {
            std::fprintf(stderr, "vexilo-cli: rules: evaluating \"%s\" failed (err=%d(0x%X))\n",
                         args[i].c_str(), rc, static_cast<unsigned>(rc));
            text.clear(); // one line per text all the same
            status = 2;
        }
        out += platform::utf16ToUtf8(text);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? status : 1;
}

} // namespace cli
