#pragma once

// The filter chain without windows: the period and up to six panes on one opened log,
// refreshed by the rules the windows follow (chain.h). The command line runs a chain from
// a description (vexilo-cli filter; graph, log and flow take the same description and read
// the stage they show from the masks afterwards), and the tests drive the refresh protocol
// through it.

#include "filters/chain.h"
#include "filters/pane_model.h"
#include "filters/period_filter.h"
#include "store/log_container.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace filters {

class Chain
{
  public:
    explicit Chain(store::LogContainer& log) : m_log(log) {}

    store::LogContainer& log() { return m_log; }

    // The log opened (UM_LOGOPENED): the period's day lists, the last 31 days selected.
    void open();
    // The log closed: every stage empty; panes keep kind and toggles.
    void close();

    PeriodFilter& period() { return m_period; }
    const PeriodFilter& period() const { return m_period; }
    // Visitors in the period at the last refresh of stage 0.
    std::uint32_t periodCount() const { return m_periodCount; }

    std::size_t paneCount() const { return m_panes.size(); }
    PaneModel& pane(std::size_t position) { return *m_panes[position]; }
    const PaneModel& pane(std::size_t position) const { return *m_panes[position]; }
    // Appends a pane (not refreshed yet); -1 when six exist already.
    int addPane(Kind kind, unsigned flags = 0);

    std::vector<bool> bypassed() const;
    std::vector<std::string> labels() const; // of the panes: "2.", "-.", ...
    // What the pane at position reads: its dependency bit and the path set of the nearest
    // pane before it that is not bypassed.
    PaneInput inputOf(std::size_t position) const;

    // Command 40001 with dwUpdated to stage `stage` (0 = period, k = pane k - 1), passed
    // down the chain as the panes pass it.
    void refresh(int stage, std::uint32_t dwUpdated);
    // The selection timer of the pane at position: its rows chosen by the user.
    void selectRows(std::size_t position, const std::vector<std::size_t>& rows);

    // How often each pane recomputed, and how often a refresh reached the views.
    const std::vector<int>& recomputes() const { return m_recomputes; }
    int viewRefreshes() const { return m_viewRefreshes; }
    std::uint32_t lastViewRefresh() const { return m_lastViewRefresh; }

    // The description dialog's text of the pane at position (CP932, CR LF lines).
    std::string describe(std::size_t position) const;

  private:
    store::LogContainer& m_log;
    PeriodFilter m_period;
    std::uint32_t m_periodCount = 0;
    std::vector<std::unique_ptr<PaneModel>> m_panes;
    std::vector<int> m_recomputes;
    int m_viewRefreshes = 0;
    std::uint32_t m_lastViewRefresh = 0;
};

// A chain as the command line describes it.
struct PaneSpec
{
    PaneSpec(Kind k = Kind::Req, unsigned f = 0, std::vector<std::string> texts = {})
        : kind(k), flags(f), select(std::move(texts))
    {
    }

    Kind kind;
    unsigned flags;
    // First-column texts (as the pane shows them, the null label included) to select;
    // none: the top row, as a new pane does.
    std::vector<std::string> select;
    // Instead of select: a saved state the pane takes over (flag characters, texts, row
    // numbers and key references), as a report link gives it.
    std::optional<store::ViewState> state;
};

struct ChainSpec
{
    bool period = false;       // false: the period a newly opened log selects
    std::int64_t firstDay = 0; // day values (local standard seconds of the day start)
    std::int64_t lastDay = 0;
    std::vector<PaneSpec> panes;
    // After that period: the period filter's saved state (two numbers), as a report link
    // gives it.
    std::optional<store::ViewState> periodState;
};

// A text of PaneSpec::select that matched no row: panes[position].select[index].
struct UnmatchedText
{
    std::size_t position;
    std::size_t index;
};

struct ChainRun
{
    int result = 0; // 0, or kChainPeriodOutside
    // The requested period reached beyond the log's days and was cut down to those it has.
    bool periodClipped = false;
    std::vector<UnmatchedText> unmatched;
};

// The requested period holds none of the log's days.
inline constexpr int kChainPeriodOutside = 1;

// Opens the chain on its log, sets the period and the panes of spec, and computes every
// stage once. A pane whose texts match no row selects nothing (and passes nobody on).
ChainRun runChain(Chain& chain, const ChainSpec& spec);

} // namespace filters
