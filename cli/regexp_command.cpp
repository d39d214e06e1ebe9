// vexilo-cli regexp: runs one pattern through the regular-expression component, the way
// rule files and URL groups use it.

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/codepage.h"
#include "platform/regexp.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace cli {
namespace {

struct RegexpArgs
{
    bool ignoreCase = false;
    bool global = false;
    std::string pattern;
    std::string text;
    std::string replacement;
    bool replace = false; // a REPLACEMENT was given, maybe ""
};

// A refused pattern is a usage error of this command, as a failed match.
int fail(const char* what, int rc)
{
    std::fprintf(stderr, "vexilo-cli: regexp: %s (err=%d(0x%X))\n", what, rc,
                 static_cast<unsigned>(rc));
    return kExitUsage;
}

int regexp(const RegexpArgs& args)
{
    platform::RegExp re;
    if (const int rc = re.status())
        return fail("the regular-expression component is not available", rc);
    if (const int rc = re.setPattern(platform::utf8ToUtf16(args.pattern)))
        return fail("pattern refused", rc);
    re.setIgnoreCase(args.ignoreCase);
    re.setGlobal(args.global);

    const std::u16string text = platform::utf8ToUtf16(args.text);
    std::string line;
    if (!args.replace) {
        bool matched = false;
        if (const int rc = re.test(text, matched))
            return fail("test failed", rc);
        line = matched ? "true" : "false";
    } else {
        std::u16string out;
        if (const int rc = re.replace(text, platform::utf8ToUtf16(args.replacement), out))
            return fail("replace failed", rc);
        line = platform::utf16ToUtf8(out);
    }
    line += '\n';
    standardOutput().write(line);
    return kExitSuccess;
}

} // namespace

void addRegexpCommand(CLI::App& app)
{
    auto args = std::make_shared<RegexpArgs>();
    CLI::App* command = addCommand(
        app, "regexp",
        "test or replace with a regular expression\n"
        "Prints true or false (whether PATTERN matches TEXT) or, with REPLACEMENT, TEXT\n"
        "with the first match (-g: every match) replaced; $1-$99, $&, $`, $' and $$ in\n"
        "REPLACEMENT stand for groups, the match, the text before and after it, and \"$\".",
        [args] { return regexp(*args); });
    command->add_flag("-i", args->ignoreCase, "ignore case");
    command->add_flag("-g", args->global, "replace every match");
    command->add_option("PATTERN", args->pattern, "the regular expression")->required();
    command->add_option("TEXT", args->text, "the text to test or to replace in")->required();
    command->add_option("REPLACEMENT", args->replacement, "the replacement; \"\" removes matches")
        ->each([args](const std::string&) { args->replace = true; });
    // Options end at PATTERN, so that texts may begin with "-".
    command->positionals_at_end();
    command->footer("Arguments are UTF-8; \"--\" ends the options. Exit status 2 when the pattern\n"
                    "is refused or matching fails (the error number goes to standard error).");
}

} // namespace cli
