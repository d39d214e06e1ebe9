#include "hosts/host_names.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/trace.h"

namespace hosts {
namespace {

bool isUpperHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

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

std::string findExpiredFile(const std::string& folder, std::int64_t now)
{
    std::string last;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 7 || name.compare(0, 3, "dns") != 0 ||
            name.compare(name.size() - 4, 4, ".dat") != 0 || !entry.is_regular_file(ec))
            continue;
        const std::string path = entry.path().string();
        const std::int64_t created = platform::creationTime(path) / 1000000000;
        if (created != 0 && now - created > kExpirySeconds) {
            platform::trace("old %s", path.c_str());
            last = path;
        }
    }
    return last;
}

int takeAddresses(const std::string& path, std::size_t n, std::vector<std::uint32_t>& out,
                  bool& drained)
{
    drained = false;
    platform::File file;
    if (const int rc = file.open(path, platform::File::Mode::ReadWrite))
        return rc;
    const std::int64_t size = file.size();
    std::string bytes(static_cast<std::size_t>(size < 0 ? 0 : size), '\0');
    if (const int rc = file.readAt(0, bytes.data(), bytes.size()))
        return rc;
    if (bytes.compare(0, 7, "[DNS]\r\n") != 0)
        return platform::kErrBadFormat;
    // Lines from the end back to the first line after the header.
    std::size_t end = bytes.size();
    std::size_t cut = end;
    while (out.size() < n && end > 7) {
        std::size_t start = bytes.rfind('\n', end - 2);
        start = start == std::string::npos || start < 6 ? 7 : start + 1;
        const std::string_view line(bytes.data() + start, end - start);
        cut = start;
        end = start;
        if (line.size() < 8 || !isUpperHex(line[0]))
            continue; // disabled (";") or not a line of ours
        std::uint32_t address = 0;
        for (int i = 0; i < 8 && isUpperHex(line[static_cast<std::size_t>(i)]); ++i)
            address = address * 16 + static_cast<std::uint32_t>(
                                         line[static_cast<std::size_t>(i)] <= '9'
                                             ? line[static_cast<std::size_t>(i)] - '0'
                                             : line[static_cast<std::size_t>(i)] - 'A' + 10);
        out.push_back(address);
    }
    if (cut > 7)
        return file.truncate(cut);
    file.close();
    drained = true;
    ::unlink(path.c_str());
    return 0;
}

} // namespace hosts
