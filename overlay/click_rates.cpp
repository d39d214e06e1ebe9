#include "overlay/click_rates.h"

#include "platform/codepage.h"
#include "store/queries.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <unordered_set>

namespace overlay {

std::uint32_t PageCounts::countOf(std::string_view page) const
{
    const auto it = targets.find(page);
    return it == targets.end() ? 0 : it->second;
}

std::vector<std::pair<std::string_view, std::uint32_t>> PageCounts::sorted() const
{
    std::vector<std::pair<std::string_view, std::uint32_t>> rows(targets.begin(), targets.end());
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    return rows;
}

PageCounts countFrom(const store::LogContainer& log, std::uint32_t sourceBit, std::string_view page)
{
    PageCounts counts;
    std::unordered_set<std::string_view> reached; // of one visitor
    for (const store::VisitorEntry& visitor : log.Visitors) {
        if (!(visitor.mask & sourceBit))
            continue;
        ++counts.visitors;
        reached.clear();
        for (std::uint32_t h = 0; h < visitor.count; ++h) {
            const store::Fragment* f = visitor.first[h].fragment;
            if (!f || !f->ref || !f->ref->text || !f->req || !f->req->text)
                continue;
            const char* from = f->ref->text;
            if (from[0] == '/' && page == from)
                reached.insert(f->req->text);
        }
        for (const std::string_view target : reached)
            ++counts.targets[target];
    }
    return counts;
}

int rateTenths(std::uint32_t count, std::uint32_t visitors)
{
    if (visitors == 0)
        return 0;
    const double p = 100.0 * count / visitors;
    return (static_cast<int>(std::floor(100.0 * p)) + 5) / 10;
}

int barIndex(int tenths)
{
    return tenths <= 0 ? 0 : 31 * std::min(tenths, 1000) / 1000 + 1;
}

std::string rateText(std::uint32_t count, std::uint32_t visitors)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", visitors ? 100.0 * count / visitors : 0.0);
    return text;
}

std::string tooltip(std::uint32_t count, std::uint32_t visitors, std::string_view address)
{
    char head[64];
    std::snprintf(head, sizeof head, "\r\n%u/%u\r\n", count, visitors);
    return rateText(count, visitors) + head + std::string(address);
}

namespace {

// The pictures of the number, with their size in page pixels (the files are drawn at twice
// that, for screens at 2x).
struct Picture
{
    const char* name;
    int width;
};
constexpr Picture kDigitPictures[] = {{"n0.gif", 5}, {"n1.gif", 5}, {"n2.gif", 5}, {"n3.gif", 5},
                                      {"n4.gif", 5}, {"n5.gif", 5}, {"n6.gif", 5}, {"n7.gif", 5},
                                      {"n8.gif", 5}, {"n9.gif", 5}, {"nd.gif", 2}, {"np.gif", 7},
                                      {"nb.gif", 2}};
constexpr int kPointPicture = 10, kPercentPicture = 11, kCapPicture = 12;
constexpr int kNumberHeight = 9;
constexpr int kBarWidth = 33, kBarHeight = 4;

void appendPicture(std::string& out, std::string_view base, int index)
{
    const Picture& p = kDigitPictures[index];
    char size[64];
    std::snprintf(size, sizeof size, "\" width=\"%d\" height=\"%d\"/>", p.width, kNumberHeight);
    out += "<img src=\"";
    out += base;
    out += p.name;
    out += size;
}

} // namespace

std::string linkMarkup(int x, int y, int tenths, std::string_view imageBase)
{
    std::string out;
    char text[512];
    std::snprintf(text, sizeof text,
                  "b%02d.gif\" width=\"%d\" height=\"%d\" style=\"position:absolute;z-index:90;"
                  "left:%dpx;top:%dpx;border:none;margin:0;padding:0;\" />",
                  barIndex(tenths), kBarWidth, kBarHeight, x, y - 4);
    out += "<img src=\"";
    out += imageBase;
    out += text;
    std::snprintf(text, sizeof text,
                  "<table width=33 cellpadding=0 cellspacing=0 style=\"border:none;width:33px;"
                  "height:auto;background:transparent;margin:0;padding:0;position:absolute;"
                  "z-index:100;left:%dpx;top:%dpx;border-collapse:collapse;\"><tr><td align=right "
                  "style=\"border:none;width:auto;height:auto;background:transparent;margin:0;"
                  "padding:0;text-align:right;line-height:0;white-space:nowrap;\">",
                  x, y - 8);
    out += text;
    appendPicture(out, imageBase, kCapPicture);
    if (tenths < 1000) {
        if (tenths >= 100)
            appendPicture(out, imageBase, tenths / 100);
        appendPicture(out, imageBase, (tenths / 10) % 10);
        appendPicture(out, imageBase, kPointPicture);
        appendPicture(out, imageBase, tenths % 10);
    } else {
        for (const int digit : {1, 0, 0})
            appendPicture(out, imageBase, digit);
        appendPicture(out, imageBase, kPointPicture);
        appendPicture(out, imageBase, 0);
    }
    appendPicture(out, imageBase, kPercentPicture);
    appendPicture(out, imageBase, kCapPicture);
    out += "</td></tr></table>";
    return out;
}

std::optional<std::string> linkTarget(const store::LogContainer& log, std::string_view pageAddress,
                                      std::string_view link)
{
    if (link.empty())
        return std::nullopt;
    if (link.size() > pageAddress.size() && link.substr(0, pageAddress.size()) == pageAddress &&
        link[pageAddress.size()] == '#')
        return std::nullopt;
    const std::string address(link);
    const char* path = store::stripLocalSite(&log, address.c_str());
    if (!path)
        return std::nullopt;
    std::string target(path);
    if (const std::size_t q = target.find('?'); q != std::string::npos)
        target.resize(q);
    if (const std::size_t h = target.find('#'); h != std::string::npos)
        target.resize(h);
    return target;
}

std::vector<std::string> directoryAddresses(const store::LogContainer& log, std::uint32_t sourceBit)
{
    const auto order = [](const std::string_view& a, const std::string_view& b) {
        const int c = platform::compareNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    };
    std::set<std::string_view, decltype(order)> paths(order);
    for (const store::VisitorEntry& visitor : log.Visitors) {
        if (!(visitor.mask & sourceBit))
            continue;
        for (std::uint32_t h = 0; h < visitor.count; ++h) {
            const store::Fragment* f = visitor.first[h].fragment;
            if (!f || !f->req || !f->req->text)
                continue;
            const std::string_view path = f->req->text;
            if (!path.empty() && path.back() == '/')
                paths.insert(path);
        }
    }
    const std::string site = store::getTitle(&log);
    std::vector<std::string> addresses;
    for (const std::string_view path : paths)
        addresses.push_back("http://" + site + std::string(path));
    return addresses;
}

} // namespace overlay
