#pragma once

// The graph view "WC_VIEW_GRAPH": how many visitors each stage of the filter chain holds
// over time, one smoothed line per stage in the stage colours, as counts or as shares of
// the source stage, with weekends tinted, an optional line of the average search-result
// page, and a pie and legend of the stage totals. Its series export as CSV.
//
// The referer view "WC_REFERERVIEW": a window of its own listing every full address of one
// outside referer and how many visitors each brought.

namespace views {

// Registers "WC_VIEW_GRAPH" (once, at start-up).
void registerGraphView();

} // namespace views
