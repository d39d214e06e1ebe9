// vexilo-cli decode: the search-word decoder of the rule files' Unescape key.

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/codepage.h"
#include "rules/query_decode.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

namespace cli {
namespace {

struct DecodeArgs
{
    std::string charset;
    std::string text;
};

int decode(const DecodeArgs& args)
{
    const std::string line = platform::utf16ToUtf8(rules::DecodeQueryText(
                                 platform::utf8ToUtf16(args.text), args.charset)) +
                             '\n';
    standardOutput().write(line);
    return kExitSuccess;
}

} // namespace

void addDecodeCommand(CLI::App& app)
{
    auto args = std::make_shared<DecodeArgs>();
    CLI::App* command = addCommand(app, "decode",
                                   "decode a percent-escaped search word\n"
                                   "Prints TEXT with its percent escapes decoded in CHARSET.",
                                   [args] { return decode(*args); });
    command
        ->add_option("CHARSET", args->charset,
                     "EUC-JP, ISO-2022-JP, UTF-8, ShiftJIS|UTF-8 (whichever fits)\n"
                     "or any other name for Shift-JIS")
        ->required();
    command->add_option("TEXT", args->text, "the escaped text, UTF-8")->required();
    command->positionals_at_end();
}

} // namespace cli
