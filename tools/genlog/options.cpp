#include "tools/genlog/genlog.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace genlog {

const char* usageText()
{
    return "Usage: genlog [options]\n"
           "Writes an Apache combined-format access log of a fictional Japanese online shop\n"
           "(www.hanamizuki-zakka.jp). The same options always give the same bytes.\n"
           "\n"
           "  --seed N         random seed (default 1)\n"
           "  --lines N        number of lines, exactly (default 10000)\n"
           "  --days D         days the log spans, from the start date (default 7)\n"
           "  --start DATE     first day, YYYY-MM-DD, times in +0900 (default 2026-10-01)\n"
           "  --gzip           write gzip-compressed output\n"
           "  --level L        gzip level 1..9 (default 6)\n"
           "  -o, --output F   write to F instead of standard output\n"
           "  --site DIR       write the shop's pages into DIR instead (the overlay's demo)\n"
           "  --machines       today's machine traffic: AI crawlers, assistants, headless\n"
           "                   browsers, and machines that claim a browser\n"
           "  --labels F       write who each host was to F (host, person|named|disguised,\n"
           "                   name; TAB-separated)\n"
           "  -h, --help       show this help\n";
}

namespace {

bool toUint(const std::string& s, std::uint64_t max, std::uint64_t& out)
{
    if (s.empty() || s.size() > 20)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    errno = 0;
    const unsigned long long v = std::strtoull(s.c_str(), nullptr, 10);
    if (errno == ERANGE || v > max)
        return false;
    out = v;
    return true;
}

bool toDate(const std::string& s, int& y, int& m, int& d)
{
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return false;
    std::uint64_t yy, mm, dd;
    if (!toUint(s.substr(0, 4), 9999, yy) || !toUint(s.substr(5, 2), 12, mm) ||
        !toUint(s.substr(8, 2), 31, dd) || yy < 1970 || mm < 1 || dd < 1)
        return false;
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (yy % 4 == 0 && yy % 100 != 0) || yy % 400 == 0;
    if (int(dd) > kDays[mm - 1] + (mm == 2 && leap))
        return false;
    y = int(yy);
    m = int(mm);
    d = int(dd);
    return true;
}

} // namespace

bool parseArgs(int argc, const char* const* argv, Options& opt, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasValue = false;
        if (arg.rfind("--", 0) == 0) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                hasValue = true;
            }
        }
        auto need = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= argc) {
                error = "missing value for " + arg;
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto bad = [&]() {
            error = "bad value for " + arg + ": '" + value + "'";
            return false;
        };
        std::uint64_t n = 0;
        if (arg == "-h" || arg == "--help") {
            opt.help = true;
        } else if (arg == "--gzip") {
            opt.gzip = true;
        } else if (arg == "--machines") {
            opt.machines = true;
        } else if (arg == "--labels") {
            if (!need())
                return false;
            if (value.empty())
                return bad();
            opt.labels = value;
        } else if (arg == "--seed") {
            if (!need() || !toUint(value, UINT64_MAX, n))
                return error.empty() ? bad() : false;
            opt.seed = n;
        } else if (arg == "--lines") {
            if (!need() || !toUint(value, UINT64_MAX, n))
                return error.empty() ? bad() : false;
            opt.lines = n;
        } else if (arg == "--days") {
            if (!need() || !toUint(value, 36600, n) || n == 0)
                return error.empty() ? bad() : false;
            opt.days = int(n);
        } else if (arg == "--level") {
            if (!need() || !toUint(value, 9, n) || n == 0)
                return error.empty() ? bad() : false;
            opt.level = int(n);
        } else if (arg == "--start") {
            if (!need() || !toDate(value, opt.startYear, opt.startMonth, opt.startDay))
                return error.empty() ? bad() : false;
        } else if (arg == "--site") {
            if (!need())
                return false;
            if (value.empty())
                return bad();
            opt.site = value;
        } else if (arg == "-o" || arg == "--output") {
            if (!need())
                return false;
            if (value.empty())
                return bad();
            opt.output = value;
        } else {
            error = "unknown option " + std::string(argv[i]);
            return false;
        }
    }
    if (opt.days > 0 && opt.startYear + opt.days / 365 > 9999) {
        error = "the log would run past the year 9999";
        return false;
    }
    return true;
}

} // namespace genlog
