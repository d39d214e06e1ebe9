#pragma once

// Outside addresses shown by the views (a referer in the log view, an address in the referer
// view): the usual link colours, which tell whether the user opened an address before, and
// which addresses may be handed to the desktop's opener at all.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace views {

// The addresses the user has visited: those the program opened with the desktop or showed
// in its browser.
class VisitedUrls
{
  public:
    virtual ~VisitedUrls() = default;
    // url: CP932, as the store holds it.
    virtual bool visited(std::string_view url) const = 0;
};

// Knows no address.
const VisitedUrls& noVisitedUrls();

// The program's own list, kept in a file ("visited.txt" in the data folder, one address a
// line, CP932): read once, and every address the program opens is added to it.
class VisitedList final : public VisitedUrls
{
  public:
    explicit VisitedList(std::string path);
    bool visited(std::string_view url) const override;
    // Remembers url and appends it to the file (an address a line cannot hold is kept in
    // memory only).
    void add(std::string_view url);

  private:
    std::string m_path;
    std::unordered_set<std::string> m_urls;
};

// The list of the data folder, read on first use.
VisitedList& visitedUrls();

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
