#include "hosts/host_names.h"

#include <cstdio>

namespace hosts {
std::string reversedName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    std::string_view rest = name;
    for (;;) {
        const auto dot = rest.rfind('.');
        if (dot == std::string_view::npos) {
            out.append(rest);
            break;
        }
        out.append(rest.substr(dot + 1));
        out += '.';
        rest = rest.substr(0, dot);
    }
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string storedName(std::string_view official)
{
    if (official.find('.') == std::string_view::npos)
        return {};
    for (const char c : official) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || u > 0x7E || c == '"')
            return {};
    }
    return reversedName(official);
}

std::string statusText(const LookupState& s)
{
    const bool unnamed = s.named < s.hosts;
    const bool busy = unnamed || s.renewals > 0;
    char text[64];
    if (s.hosts == 0)
        std::snprintf(text, sizeof text, "*-/-");
    else if (!busy)
        std::snprintf(text, sizeof text, "*complete");
    else if (s.quiet && unnamed) {
        // Truncated, not rounded, to one decimal.
        const auto tenths = static_cast<unsigned long long>(s.named * 1000 / s.hosts);
        std::snprintf(text, sizeof text, "*%llu.%llu%% done", tenths / 10, tenths % 10);
    } else if (s.quiet)
        std::snprintf(text, sizeof text, "*complete");
    else if (unnamed)
        std::snprintf(text, sizeof text, "*%zu/%zu", s.hosts - s.named, s.hosts);
    else
        std::snprintf(text, sizeof text, "*updating expired");
    if (!(busy && s.blink))
        text[0] = ' ';
    return text;
}

} // namespace hosts
