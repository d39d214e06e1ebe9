#pragma once

// The page overlay's counting, without windows: for one page of the site, how many of a
// stage's visitors went from it at least once to each other page, and how a link's share
// of all those visitors is written over the page (the number in tenths of a percent, the
// bar, the tooltip, the markup of the images).

#include "store/log_container.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace overlay {

// The table of one page: N, the stage's visitors (whether or not they saw the page), and
// per target page the visitors that went from the page to it at least once.
struct PageCounts
{
    std::uint32_t visitors = 0;
    std::unordered_map<std::string_view, std::uint32_t> targets;

    std::uint32_t countOf(std::string_view page) const;
    // The targets by count, highest first, then by page bytewise.
    std::vector<std::pair<std::string_view, std::uint32_t>> sorted() const;
};

// page: a site path as the store holds it ("/", "/a.html"); a hit counts when its referer
// is exactly that path (an own-site referer, which the store keeps as a path).
PageCounts countFrom(const store::LogContainer& log, std::uint32_t sourceBit,
                     std::string_view page);

// The share in tenths of a percent as the overlay rounds it: (floor(100 p) + 5) div 10
// with p = 100 count / visitors.
int rateTenths(std::uint32_t count, std::uint32_t visitors);
// The bar picture for tenths: 0 for 0, else 1 to 32.
int barIndex(int tenths);
// "12.5%": the share with one decimal.
std::string rateText(std::uint32_t count, std::uint32_t visitors);

// The link's tooltip: the share, "count/visitors" and the link's address, CR LF between.
std::string tooltip(std::uint32_t count, std::uint32_t visitors, std::string_view address);

// The markup over one link: its bar at the link's bottom left (x, y: the left and bottom
// edges in page coordinates) and its number on a badge above, as pictures from imageBase
// (an address ending where the picture names begin).
std::string linkMarkup(int x, int y, int tenths, std::string_view imageBase);

// The site path a link leads to, for a link on the page at pageAddress: null for a jump
// inside the page ("#..."), for another site and for an empty link; the path is cut at its
// first "?" and then at its first "#".
std::optional<std::string> linkTarget(const store::LogContainer& log, std::string_view pageAddress,
                                      std::string_view link);

// The address box's list: "http://" + site + every directory page ("/.../") the stage's
// visitors requested, each once, in case-insensitive order (ties case-sensitive).
std::vector<std::string> directoryAddresses(const store::LogContainer& log,
                                            std::uint32_t sourceBit);

} // namespace overlay
