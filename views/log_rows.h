#pragma once

// The log view ("WC_VIEW_LOG") without its window: one row per log record of the visitors
// that pass the view's source stage, narrowed by the page chooser to one page or one referer
// (or URL group), in a chosen sort; the cell texts and colours; the selection, kept by record
// across sorts and refreshes. The window's list reads rowCount() and asks for cells by index;
// it holds no rows of its own.
//
// A refresh (command 40001), as the window drives it:
//
//     const auto d = filters::refreshDecision(dwUpdated, filters::stageBit(source), 0);
//     if (d.recompute) {
//         rows.refresh(log, filters::stageBit(source)); // chooser too; sorted
//         list.setRowCount(rows.rowCount());
//         list.setSelectedRows(rows.selectedRows());
//         chooser.setEntries(rows.chooser());
//     }
//     if (d.passOn) send 40001 with d.passed to the next view;
//
// Choosing a chooser entry: rows.chooser().choose(i), then the refresh above with -1. A
// header click: rows.clickColumn(column), then the list's count and selection again. The
// 1 ms selection timer: rows.setSelection(list.selectedRows()).

#include "filters/csv.h"
#include "store/log_container.h"
#include "views/links.h"
#include "views/page_chooser.h"
#include "views/row_sort.h"
#include "views/weekend.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace views {

inline constexpr char kLogViewClassName[] = "WC_VIEW_LOG";

// Columns by index (the sort types use these); shown in the order of kLogDisplayOrder.
enum LogColumn : int { kLogTime = 0, kLogHost, kLogRequest, kLogReferer, kLogAgent };
inline constexpr int kLogColumnCount = 5;

struct LogColumnInfo
{
    const char* title;
    int width; // pixels
};
inline constexpr LogColumnInfo kLogColumns[kLogColumnCount] = {
    {"Time", 85}, {"IP", 140}, {"Request", 200}, {"Referer", 200}, {"UserAgent", 400}};
inline constexpr int kLogDisplayOrder[kLogColumnCount] = {kLogHost, kLogTime, kLogRequest,
                                                          kLogReferer, kLogAgent};

// Sort type = column * 2 + direction (1 descending); the view starts with time ascending.
inline constexpr unsigned kLogInitialSort = 0;

// The Referer cell of a search referer whose engine has no name: "検索:word" (UTF-8 here).
inline constexpr char kSearchWithoutEngine[] = "検索";

// Text colours, 0x00BBGGRR.
inline constexpr std::uint32_t kLogText = 0x000000;
inline constexpr std::uint32_t kLogSelectedText = 0xEEEEEE;
inline constexpr std::uint32_t kLogLocalPage = 0x004400;  // Request; a local Referer
inline constexpr std::uint32_t kLogHostNoName = 0x888888; // looked up, no name
inline constexpr std::uint32_t kLogHostPending[2] = {0x666600, 0x333300}; // by blink parity

// The Time cell of a weekend day: a one-pixel bar at the cell's left edge and, in rows that
// are not selected, a gradient from `tint` at the left to white at the right.
struct WeekendMark
{
    std::uint32_t bar;
    std::uint32_t tint;
};
inline constexpr WeekendMark kSundayMark = {0x0000FF, 0xEFEFFF};
inline constexpr WeekendMark kSaturdayMark = {0xFF0000, 0xFFEFEF};

// What is known of a row's host name.
enum class HostState : std::uint8_t {
    Named,   // a name: shown as stored (labels reversed)
    NoName,  // looked up without a name: the dotted address, grey
    Pending, // not known yet: "#" and the dotted address, blinking
};

class LogRows : public filters::CellSource
{
  public:
    // Refresh steps 2 to 4: the chooser is rebuilt from every record of the visitors whose
    // mask has stageBit (the chosen entry stays chosen while it is offered, else everything
    // is chosen); the rows are gathered from those visitors' records, narrowed by the chosen
    // entry (a page group: the records of pages in it; a referer group: the records whose
    // referer is in it), and sorted by the current sort type. The selection is kept.
    void refresh(const store::LogContainer& log, std::uint32_t stageBit);
    // The log closed (UM_LOGCLOSED, also before a reload): no rows, no chooser entries, no
    // selection; the sort type stays.
    void close();

    PageChooser& chooser() { return m_chooser; }
    const PageChooser& chooser() const { return m_chooser; }

    std::size_t rowCount() const override { return m_rows.size(); }
    // The record of a row; null past the end (a list may ask while rows shrink).
    const store::LogRecord* record(std::size_t row) const;

    unsigned sortType() const { return m_sortType; }
    // Sorts by column type / 2, descending when type is odd. Ties: time ascending (the time
    // column: the records' order in the store). Unknown types sort as 0.
    void sort(unsigned sortType);
    // A header click: the same column flips the direction, another starts ascending.
    void clickColumn(int column);

    // Cells (CP932). Nothing for a row past the end or an unknown column.
    std::string_view columnTitle(int column) const override;
    void appendCellText(std::string& out, std::size_t row, int column) const override;
    std::string cellText(std::size_t row, int column) const;

    // The colour of a cell's text. blink is the window's blink counter (raised every 1.5 s);
    // visited tells the visited-link colour of outside referers.
    std::uint32_t textColour(std::size_t row, int column, bool selected, unsigned blink,
                             const VisitedUrls& visited) const;
    // The weekend mark of the row's Time cell (Weekend::None: none).
    Weekend weekend(std::size_t row) const;
    HostState hostState(std::size_t row) const;
    // Whether the row's host has this address (host byte order): the rows to redraw when a
    // name arrives (UM_HOSTRESOLVED).
    bool hasAddress(std::size_t row, std::uint32_t address) const;

    // The full referer URL (`Ref` text, and "?" and the `RefQ` text when there is one);
    // empty without a referer.
    std::string refererUrl(std::size_t row) const;
    // Whether the mouse shows the hand over the row's Referer cell: an outside referer.
    bool refererIsLink(std::size_t row) const;
    // What a double click on the Referer cell opens (links.h isOpenableUrl); empty: nothing.
    std::string refererToOpen(std::size_t row) const;

    // The selection: the records of these rows (rows past the end are ignored) replace it.
    void setSelection(std::span<const std::size_t> rows);
    void setSelection(std::span<const int> rows);
    bool rowSelected(std::size_t row) const;
    // The rows whose records are selected, ascending.
    std::vector<std::size_t> selectedRows() const;

  private:
    void sortRows();
    void restoreStoreOrder();
    // Whether every text the sorts read lies in the store's dictionary (checked once per
    // log): their keys are then offsets that fit 32 bits.
    bool textsInDictionary();
    // Per fragment, its place in the order of a text column (Request, Referer, UserAgent);
    // made on the first sort by the column and kept while the log is open (its texts do not
    // change). Empty when the log has no fragments.
    const std::vector<std::uint32_t>& fragmentRanks(int column);
    // Host order of the IP column: by name (case-sensitive, none first), then address.
    std::vector<std::uint32_t> hostRanks() const;

    // The tables the rows, the selection and the ranks were made from.
    struct Tables
    {
        const store::LogRecord* records = nullptr;
        std::size_t recordCount = 0;
        const store::Fragment* fragments = nullptr;
        std::size_t fragmentCount = 0;
        const char* dic = nullptr;
        bool operator==(const Tables&) const = default;
    };

    const store::LogContainer* m_log = nullptr;
    Tables m_tables;
    PageChooser m_chooser;
    std::vector<std::uint32_t> m_rows; // indices into Rec2, in display order
    bool m_storeOrder = true;          // m_rows ascending (as gathered)
    std::uint32_t m_firstTime = 0;     // of the rows gathered
    std::uint32_t m_lastTime = 0;
    std::vector<std::uint8_t> m_used;     // per fragment: a record of the stage has it
    std::vector<std::uint64_t> m_present; // bitmap over Rec2 to restore the store's order
    bool m_textsChecked = false;
    bool m_textsInDic = false;
    std::vector<std::uint32_t> m_fragmentRank[kLogColumnCount];
    std::uint32_t m_rankTop[kLogColumnCount] = {};
    unsigned m_sortType = kLogInitialSort;
    RowSorter m_sorter;
    std::vector<bool> m_selected; // by record index
    std::size_t m_selectedCount = 0;
};

} // namespace views
