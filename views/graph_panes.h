#pragma once

// What the graph view needs to know of the filter panes: their number labels and titles
// (the legend and the CSV header), which are bypassed (not drawn), whether one is of the
// search-word kind (the "Rank" button), and who answers the search-rank series. The window
// gathers these from the pane windows (their texts, UM_GETRANKSERIES); the command line and
// the tests from a filters::Chain, below. Both hand the same values to GraphModel.

#include "filters/chain_runner.h"
#include "filters/word_rows.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace views {

// The filter pane at one position (stage position + 1).
struct GraphPane
{
    std::string label;       // its number label: "2.", "-." (ASCII)
    std::string title;       // its title: "閲覧ページ", ... (UTF-8)
    bool bypassed = false;   // not drawn, and no base for percentages
    bool searchWord = false; // of the class "WC_FILTER_SEARCHWORD"
};

// Fills the rank pairs of buckets of `length` seconds from `start` and answers true, as the
// first filter pane (in position order) that answers UM_GETRANKSERIES does; false when none
// answers.
using RankSeriesSource =
    std::function<bool(std::uint32_t start, std::uint32_t length, std::span<filters::RankBucket>)>;

// The panes of a chain without windows.
std::vector<GraphPane> graphPanesOf(const filters::Chain& chain);
// Asks the chain's panes from position 0 on, as the graph window asks the panes 2100, 2101,
// ...; the chain must outlive the source.
RankSeriesSource rankSeriesOf(filters::Chain& chain);

} // namespace views
