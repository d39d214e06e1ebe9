#pragma once

// The referer view ("WC_REFERERVIEW") without its window: for one outside referer, every
// full referring address (the referer and its query) that brought visitors, and how many
// visitors each brought, over the whole store (the view is not bound to the filter chain).
// The window's statistics list reads the rows by index; the window opens an address with
// toOpen().
//
//     rows.show(log, key);                       // UM_SHOWURL
//     if (!rows.title().empty()) setWindowTitle(rows.title());
//     list.setRowCount(rows.rowCount());

#include "filters/cells.h"
#include "filters/csv.h"
#include "store/log_container.h"
#include "views/links.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace views {

inline constexpr char kRefererViewClassName[] = "WC_REFERERVIEW";
// The popup menu's entry and its command (UTF-8).
inline constexpr int kCommandOpen = 57601;
inline constexpr char kOpenMenuText[] = "開く(&O)";

enum RefererSubitem : int { kRefererAddress = 0, kRefererVisitors = 1 };
inline constexpr filters::Column kRefererColumns[2] = {{"URL", 2000, false}, {"Hits", 50, true}};
inline constexpr int kRefererDisplayOrder[2] = {kRefererVisitors, kRefererAddress};

// 0/1 address ascending/descending (byte order), 2 visitors descending, 3 ascending, both
// with ties by address ascending. The view starts with 2.
inline constexpr unsigned kRefererInitialSort = 2;

struct RefererRow
{
    std::uint32_t visitors;
    std::string address; // CP932
};

class RefererRows : public filters::CellSource
{
  public:
    // The rows for the referer key (a text of the store): each visitor counts once for each
    // distinct address among its page views whose referer has the URL-group name key, or is
    // key itself (a referer shown without URL groups; its group may be another name). The
    // address is the `Ref` text, followed by "?" and the page view's `RefQ` text when that is
    // not empty. Sorted by the current type; the title becomes key when there are rows.
    void show(const store::LogContainer& log, const char* key);
    // The log closed: no rows.
    void close();

    // The window's title: the last key that gave rows (CP932); empty before.
    const std::string& title() const { return m_title; }

    std::size_t rowCount() const override { return m_rows.size(); }
    const std::vector<RefererRow>& rows() const { return m_rows; }

    unsigned sortType() const { return m_sortType; }
    // Unknown types sort as 2.
    void sort(unsigned sortType);
    void clickColumn(int subitem);
    // The row of an address, or -1 (the selected row is found again after a sort).
    int findAddress(std::string_view address) const;

    std::string_view columnTitle(int subitem) const override;
    void appendCellText(std::string& out, std::size_t row, int subitem) const override;
    std::string cellText(std::size_t row, int subitem) const;
    // The address's colour: a link, visited or not; selected rows are white.
    std::uint32_t textColour(std::size_t row, bool selected, const VisitedUrls& visited) const;
    // What a double click or "開く" opens (links.h isOpenableUrl); empty: nothing.
    std::string toOpen(std::size_t row) const;

  private:
    std::vector<RefererRow> m_rows;
    std::string m_title;
    unsigned m_sortType = kRefererInitialSort;
};

} // namespace views
