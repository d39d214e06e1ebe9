// vexilo-cli: the core of Vexilo on the command line.

#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "report/report_generator.h"

namespace {

constexpr const char* kUsage =
    "usage: vexilo-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  import -o OUT.vxlog [options] INPUT...   import access logs (plain or .gz) and\n"
    "                                           analysed logs into a new analysed log\n"
    "  dump FILE.vxlog                          print the records of an analysed log\n"
    "  regexp [-i] [-g] PATTERN TEXT [REPL]     test or replace with a regular expression\n"
    "  decode CHARSET TEXT                      decode a percent-escaped search word\n"
    "  rules FILE.ini TEXT...                   apply a rule file to texts\n"
    "  load FILE.vxlog [options]                open an analysed log as the main program does\n"
    "  report FILE.vxlog -o DIR [options]       write the HTML report of an analysed log\n"
    "\n"
    "vexilo-cli COMMAND --help tells more.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    // Loads write the HTML report as in the main program (where a report folder is given).
    report::installReportGenerator();
    const std::string command = argv[1];
    const cli::Args args(argv + 2, argv + argc);
    if (command == "import")
        return cli::importCommand(args);
    if (command == "dump")
        return cli::dumpCommand(args);
    if (command == "regexp")
        return cli::regexpCommand(args);
    if (command == "decode")
        return cli::decodeCommand(args);
    if (command == "rules")
        return cli::rulesCommand(args);
    if (command == "load")
        return cli::loadCommand(args);
    if (command == "report")
        return cli::reportCommand(args);
    std::fprintf(stderr, "vexilo-cli: unknown command \"%s\"\n\n%s", command.c_str(), kUsage);
    return 2;
}
