// vexilo-cli regexp: runs one pattern through the regular-expression component, the way
// rule files and URL groups use it.

#include "cli/commands.h"
#include "platform/codepage.h"
#include "platform/regexp.h"

#include <cstdio>
#include <string>

namespace cli {
namespace {

constexpr const char* kUsage =
    "usage: vexilo-cli regexp [-i] [-g] [--] PATTERN TEXT [REPLACEMENT]\n"
    "prints true or false (whether PATTERN matches TEXT) or, with REPLACEMENT, TEXT with\n"
    "the first match (-g: every match) replaced; $1-$99, $&, $`, $' and $$ in REPLACEMENT\n"
    "stand for groups, the match, the text before and after it, and \"$\".\n"
    "  -i   ignore case\n"
    "  -g   replace every match\n"
    "Arguments are UTF-8; \"--\" ends the options. Exit status 2 when the pattern is refused\n"
    "or matching fails (the error number goes to standard error).\n";

int fail(const char* what, int rc)
{
    std::fprintf(stderr, "vexilo-cli: regexp: %s (err=%d(0x%X))\n", what, rc,
                 static_cast<unsigned>(rc));
    return 2;
}

} // namespace

int regexpCommand(const Args& args)
{
    bool ignoreCase = false;
    bool global = false;
    std::size_t next = 0;
    for (; next < args.size() && args[next].size() > 1 && args[next][0] == '-'; ++next) {
        const std::string& option = args[next];
        if (option == "--") {
            ++next;
            break;
        }
        if (option == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        for (std::size_t i = 1; i < option.size(); ++i) {
            if (option[i] == 'i') {
                ignoreCase = true;
            } else if (option[i] == 'g') {
                global = true;
            } else {
                std::fprintf(stderr, "vexilo-cli: regexp: unknown option %s\n\n%s", option.c_str(),
                             kUsage);
                return 2;
            }
        }
    }
    const std::size_t count = args.size() - next;
    if (count != 2 && count != 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    platform::RegExp re;
    if (const int rc = re.status())
        return fail("the regular-expression component is not available", rc);
    if (const int rc = re.setPattern(platform::utf8ToUtf16(args[next])))
        return fail("pattern refused", rc);
    re.setIgnoreCase(ignoreCase);
    re.setGlobal(global);

    const std::u16string text = platform::utf8ToUtf16(args[next + 1]);
    std::string line;
    if (count == 2) {
        bool matched = false;
        if (const int rc = re.test(text, matched))
            return fail("test failed", rc);
        line = matched ? "true" : "false";
    } else {
        std::u16string out;
        if (const int rc = re.replace(text, platform::utf8ToUtf16(args[next + 2]), out))
            return fail("replace failed", rc);
        line = platform::utf16ToUtf8(out);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace cli
