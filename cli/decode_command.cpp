// vexilo-cli decode: the search-word decoder of the rule files' Unescape key.

#include "cli/commands.h"
#include "platform/codepage.h"
#include "rules/query_decode.h"

#include <cstdio>
#include <string>

namespace cli {

int decodeCommand(const Args& args)
{
    const bool help = args.size() == 1 && args[0] == "--help";
    const std::size_t next = !args.empty() && args[0] == "--" ? 1 : 0;
    if (help || args.size() - next != 2) {
        std::fputs("usage: vexilo-cli decode [--] CHARSET TEXT\n"
                   "prints TEXT with its percent escapes decoded in CHARSET: EUC-JP,\n"
                   "ISO-2022-JP, UTF-8, ShiftJIS|UTF-8 (whichever fits) or any other name for\n"
                   "Shift-JIS. TEXT is UTF-8.\n",
                   help ? stdout : stderr);
        return help ? 0 : 2;
    }
    const std::string line = platform::utf16ToUtf8(rules::DecodeQueryText(
                                 platform::utf8ToUtf16(args[next + 1]), args[next])) +
                             '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace cli
