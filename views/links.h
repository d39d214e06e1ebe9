#pragma once

// Outside addresses shown by the views (a referer in the log view, an address in the referer
// view): the usual link colours, which tell whether the user opened an address before, and
// which addresses may be handed to the desktop's opener at all.

#include <cstdint>
#include <string_view>

namespace views {

// The addresses the user has visited. The program's own list of them (the addresses it
// opened or showed in its browser, kept in the data folder) is not built yet: until it is,
// the windows pass noVisitedUrls() and every address shows as not visited.
class VisitedUrls
{
  public:
    virtual ~VisitedUrls() = default;
    // url: CP932, as the store holds it.
    virtual bool visited(std::string_view url) const = 0;
};

// Knows no address.
const VisitedUrls& noVisitedUrls();

// Link colours, 0x00BBGGRR: blue for an address not visited, purple for a visited one.
inline constexpr std::uint32_t kColourLink = 0xFF0000;
inline constexpr std::uint32_t kColourVisitedLink = 0x800080;

inline std::uint32_t linkColour(const VisitedUrls& visited, std::string_view url)
{
    return visited.visited(url) ? kColourVisitedLink : kColourLink;
}

// Whether url may be opened with the desktop's default handler: "http://" or "https://",
// a host, and no blank or control byte anywhere. A site path ("/a"), which the opener would
// take for a local file, another scheme (file:, javascript:) or a text that an opener could
// read as an option is never opened: these texts come from other people's log lines.
bool isOpenableUrl(std::string_view url);

} // namespace views
