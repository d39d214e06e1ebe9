#pragma once

// The graph view ("WC_VIEW_GRAPH", title "グラフ") without its window: its toggles, its
// buckets, and everything its drawing reads (the stages drawn, the base of percentages, the
// scales, the values per bucket, the rank line, the totals of the pie and the legend, the
// axis texts) and its CSV export. The window keeps no data of its own.
//
// A refresh (command 40001): the graph always recomputes, then passes the refresh on unless
// dwUpdated is -1.
//
//     graph.recompute(visitors, panes, rankSource); // panes, rankSource: graph_panes.h
//     rankButton.setEnabled(graph.rankEnabled());
//     update();
//     if (dwUpdated != filters::kRefreshSelfOnly) send 40001 with dwUpdated to the next view;
//
// Toggling "%" or "Rank" sets state() and only redraws. The drawing, in short:
//
//     for (int s : graph.displayedStages())          // one line per stage
//         for (std::size_t b = 0; b < graph.buckets().size(); ++b)
//             if (auto v = graph.value(b, s)) point(b, *v / graph.scaleMax());
//     if (graph.rankShown()) ... graph.rankAverage(b) / graph.rankScaleMax() ...
//
// Export (57604): exportGraphCsv(path, graph.csv()); on failure a box with
// exportGraphFailedText(rc) captioned kExportGraphCaption.

#include "views/graph_buckets.h"
#include "views/graph_panes.h"
#include "views/graph_state.h"
#include "views/weekend.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace views {

inline constexpr char kGraphViewClassName[] = "WC_VIEW_GRAPH";
inline constexpr char kGraphTitle[] = "グラフ";
inline constexpr int kCommandRank = 3001;
inline constexpr int kCommandPercent = 3002;
inline constexpr char kRankTooltip[] = "検索ランクを表示";
inline constexpr char kPercentTooltip[] = "割合(%)で表示";

class GraphModel
{
  public:
    GraphState& state() { return m_state; }
    const GraphState& state() const { return m_state; }

    // Recomputes the buckets from every visitor of the store and asks rankSeries for the
    // rank pairs; panes are the filter panes in position order. "Rank" is enabled from now
    // on exactly when one of them is of the search-word kind.
    void recompute(std::span<const store::VisitorEntry> visitors, std::vector<GraphPane> panes,
                   const RankSeriesSource& rankSeries);
    // The log closed: no buckets (the graph is drawn empty); the toggles stay.
    void close();

    const GraphBuckets& buckets() const { return m_buckets; }
    const std::vector<GraphPane>& panes() const { return m_panes; }
    // Stages that exist: the period and one per filter pane (at most 7).
    int stageCount() const;

    bool rankEnabled() const { return m_rankEnabled; }
    // The rank line is drawn and exported: "Rank" checked and enabled.
    bool rankShown() const { return m_state.rank && m_rankEnabled; }

    // The stages drawn, source first: the source and every later stage, less the bypassed
    // panes; none when the source is beyond the existing stages.
    std::vector<int> displayedStages() const;
    // The base of percentages: the source, or when it is a bypassed pane the nearest stage
    // before it that is not; -1 when the source is beyond the existing stages.
    int baseStage() const;

    // The value of a stage in a bucket: its visitors, or with "%" its share of the base
    // stage in percent; none with "%" where the base stage has no visitor.
    std::optional<double> value(std::size_t bucket, int stage) const;
    // The top of the vertical axis: the largest value drawn (with "%" rounded up to a whole
    // percent and at most 100); at least 1, so that an empty graph still has a scale.
    int scaleMax() const;
    // Its label: "%d%%" with "%", "%d" without (UTF-8).
    std::string scaleLabel(int value) const;

    // The time axis: "%m/%d" under day buckets, "%H" under hour buckets.
    std::string timeLabel(std::size_t bucket) const;
    // The tint of the bucket's day, and whether the bucket starts a day (a line is drawn).
    Weekend weekend(std::size_t bucket) const;
    bool startsDay(std::size_t bucket) const;

    // The average result page of a bucket; none without searches in it.
    std::optional<double> rankAverage(std::size_t bucket) const;
    // The top of the rank axis: the largest average rounded up to a multiple of 10 (10 when
    // there is none).
    int rankScaleMax() const;
    // "1 Rank" for 1, "%d" otherwise.
    static std::string rankLabel(int value);

    // The pie and the legend: a stage's visitors over all buckets; its sector in degrees,
    // total × 360 / the base stage's total (0 without a base or base visitors); its total
    // as "%d" and its share of the base as "%.1f%%" ("0.0%" without base visitors).
    std::uint64_t total(int stage) const;
    double sweep(int stage) const;
    std::string totalText(int stage) const;
    std::string shareText(int stage) const;

    // The export's bytes (graph_csv.h): every stage's counts whatever the source and "%",
    // and the rank column when rankShown().
    std::string csv() const;

  private:
    bool bypassed(int stage) const;
    // total(stage) * whole / the base stage's total; 0 without base visitors.
    double shareOfBase(int stage, double whole) const;

    GraphState m_state;
    GraphBuckets m_buckets;
    std::vector<GraphPane> m_panes;
    bool m_rankEnabled = false;
};

} // namespace views
