#pragma once

// One filter pane without its window: kind, toggles, rows, selection and input count, and
// the calls its window (or the command line) makes: compute the rows from the input bit,
// put the selection into the pane's own bit, sort, give cell texts and colours, describe
// the selection, save and restore the state. The window keeps no rows of its own; its list
// reads rowCount() and cell texts by index.
//
// A refresh, as the window drives it (see chain.h for the decision):
//
//     const RefreshDecision d = refreshDecision(dwUpdated, input.dependency, ownBit);
//     if (d.recompute) {
//         pane.compute(log, input, d.autoSelect);   // rows sorted, top row chosen if new
//         list.setRowCount(pane.rowCount());
//         list.setSelectedRows(pane.selectedRows());
//         pane.apply(log, ownBit);
//     }
//     if (d.passOn) send 40001 with d.passed to the next stage;
//
// and a user selection change (the 1 ms timer): pane.selectRows(list rows);
// pane.apply(log, ownBit); send 40001 with selectionChangedRefresh(ownBit).

#include "filters/cells.h"
#include "filters/csv.h"
#include "filters/host_keys.h"
#include "filters/key_set.h"
#include "filters/kinds.h"
#include "filters/pane_state.h"
#include "filters/stat_rows.h"
#include "filters/word_rows.h"
#include "store/log_container.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace filters {

// What a pane hands the pane after it for path mode (UM_GETPATHSET): its selection, and
// whether it is of the page kind (answer 1) rather than the referer kind (answer 0).
struct PathSet
{
    const KeySet* set = nullptr;
    bool fromPage = false;
};

// What a pane reads before each recomputation.
struct PaneInput
{
    std::uint32_t dependency = 1; // the bit of its input (chain.h dependencyBit)
    PathSet path;                 // from the nearest pane before it that is not bypassed
};

class PaneModel : public CellSource
{
  public:
    explicit PaneModel(Kind kind, unsigned flags = 0);

    Kind kind() const { return m_kind; }
    const KindInfo& info() const { return kindInfo(m_kind); }

    // The toggles (kinds.h PaneFlag); those the kind has no button for stay off.
    unsigned flags() const { return m_flags; }
    bool has(PaneFlag flag) const { return (m_flags & flag) != 0; }
    void setFlags(unsigned flags) { m_flags = flags & kindFlags(m_kind); }
    void setFlag(PaneFlag flag, bool on) { setFlags(on ? m_flags | flag : m_flags & ~flag); }

    // Recomputes the rows from the visitors whose mask has input.dependency, sorts them
    // with the pane's sort type and, with autoSelect, makes the top row the selection when
    // the selection is empty. The visitors' masks are not changed.
    void compute(store::LogContainer& log, const PaneInput& input, bool autoSelect);
    // Sets ownBit of the input visitors that yield a selected item; clears it for all
    // others. Returns how many passed. Uses the input of the last compute.
    std::uint32_t apply(store::LogContainer& log, std::uint32_t ownBit) const;
    // Drops rows, selection and the kind's caches (the log closed); kind and toggles stay.
    void close();

    // Rows in display order.
    std::size_t rowCount() const override;
    const std::vector<StatRow>& statRows() const { return m_rows; }
    const std::vector<WordRow>& wordRows() const { return m_words.rows(); }
    // The item of a row: its key (search-word kind: its word).
    const char* rowKey(std::size_t row) const;
    std::uint32_t inputCount() const { return m_input; }

    // Selection. A row is selected when its key is in the selection (search-word kind:
    // when it holds a selected entry).
    bool rowSelected(std::size_t row) const;
    std::vector<std::size_t> selectedRows() const;
    // The user's selection: the keys of these rows (search-word kind: the union of their
    // entries) replace the selection. Rows past the end are ignored.
    void selectRows(std::span<const std::size_t> rows);
    bool selectionEmpty() const;
    // The selection of the page and referer kinds, for the pane after it; empty for the
    // other kinds.
    PathSet pathSet() const;
    // Whether the path-mode button is enabled (a set was handed over at the last compute)
    // and whether path mode is in force.
    bool pathEnabled() const { return m_pathEnabled; }
    bool pathActive() const { return m_pathEnabled && has(kFlagPath); }

    // Sorting: the type is column * 2 + direction (stat_rows.h, word_rows.h).
    unsigned sortType() const { return m_sortType; }
    void sort(unsigned sortType);
    void clickColumn(int subitem) { sort(nextSortType(m_sortType, subitem)); }

    // Cells.
    std::vector<Column> columns() const { return columnsOf(m_kind); }
    std::string_view columnTitle(int subitem) const override;
    void appendCellText(std::string& out, std::size_t row, int subitem) const override;
    std::string cellText(std::size_t row, int subitem) const;
    // The first column's text: the key, or the null label (CP932).
    std::string_view keyText(std::size_t row) const;
    // The first column's colour for an unselected row (0x00BBGGRR).
    std::uint32_t keyColour(std::size_t row) const;
    // The tooltip of a row's first column (CP932): why the visitors of a visitor-kind row
    // are what the row says; empty for the other kinds.
    std::string_view rowTip(std::size_t row) const;
    // The first row whose first-column text is text exactly (the null label included), or
    // -1.
    int findRowByText(std::string_view text) const;

    // The selection as a sentence (CP932), e.g. "/a"または"/b"を閲覧した訪問者; empty when
    // the selection is empty. predecessorLabel is the number label of the pane whose
    // selection path mode follows ("2.").
    std::string describe(std::string_view predecessorLabel) const;

    // The graph view's search-rank series (UM_GETRANKSERIES, word_rows.h rankSeries) over
    // the visitors with ownBit; true only for the search-word kind, which alone answers.
    bool rankSeries(const store::LogContainer& log, std::uint32_t ownBit, std::uint32_t start,
                    std::uint32_t length, std::span<RankBucket> buckets) const;

    // Appends the texts of the selected rows' keys, in row order, and kNullItemNumber to the
    // numbers when the null item is selected.
    void save(ViewState& state) const;

    struct Restored
    {
        int lastTextRow = -1;               // the last row selected by a text: scroll it into view
        int lastNumberRow = -1;             // then this one
        std::vector<std::string> unmatched; // texts that matched no row
    };
    // Takes a saved state over: applies the flag characters, recomputes without choosing a
    // top row, selects the row of each text (case-sensitive, never a null key) and of each
    // number (row 0..9, a key reference, the null item), makes their keys the selection and
    // applies it
    // to ownBit. Nothing is passed on; the caller refreshes the chain afterwards.
    Restored restore(store::LogContainer& log, const PaneInput& input, std::uint32_t ownBit,
                     const ViewState& state);

  private:
    ExtractContext context() const;
    void autoSelectTop();

    Kind m_kind;
    unsigned m_flags = 0;
    unsigned m_sortType = kInitialSortType;

    const store::LogContainer* m_log = nullptr;
    std::uint32_t m_dependency = 1;
    std::uint32_t m_input = 0;
    bool m_pathEnabled = false;
    bool m_pathFromPage = false;
    KeySet m_path; // a copy: the pane before may change or go away before the next compute

    std::vector<StatRow> m_rows;
    KeyRanks m_ranks;
    mutable RowAccumulator m_accumulator; // keeps answers per fragment for apply too
    KeySet m_classified;
    mutable HostKeys m_hosts; // a cache of keys per host, filled as hosts are met
    mutable WordRows m_words; // keeps its entry numbers for apply too

    KeySet m_selection;        // generic kinds
    EntrySet m_entrySelection; // search-word kind
};

} // namespace filters
