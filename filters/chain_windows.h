#pragma once

// The filter chain as windows see it: the panes are the main window's children, found by
// id (the period 2010, filter panes 2100 + position, views 2200 + position), and a pane
// learns about the others by asking them. What every stage and view needs of that walk.

#include "store/log_container.h"
#include "toolkit/window.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace filters {

// A request for the search-word pane's rank series (UM_GETRANKSERIES, lParam).
struct RankBucket;
struct RankSeriesRequest
{
    RankBucket* buckets = nullptr;
    std::size_t count = 0;
    std::uint32_t start = 0;  // local seconds of the first bucket
    std::uint32_t length = 0; // seconds per bucket
};

// The filter panes in chain order.
std::vector<toolkit::Window*> filterPanes(QWidget* main);
// Whether each filter pane is bypassed, in chain order.
std::vector<bool> bypassStates(QWidget* main);
// The stage after the one with `id`: the next filter pane, else the main view (2200).
toolkit::Window* nextStage(QWidget* main, int id);
// The number label of a stage ("1." for the period, "2.", ..., "-." when bypassed).
QString numberLabel(QWidget* main, int id);
// Repaints every stage's title (labels follow bypass changes, moves and closes).
void updateLabels(QWidget* main);
// The open log's store, or null (none open, or a load running).
store::LogContainer* logOf(QWidget* main);
// The bottom of the panes' columns: the main window's client height less the status bar.
int columnBottom(QWidget* main);

// The filter column's geometry: the panes stacked in id order from the column's top to its
// bottom (the top of the status bar), each at least kPaneUsableHeight high (its title bar, the
// list's header and a few rows); what is too much for the column is taken from the panes that
// have more, and the last pane reaches the bottom. When not even that fits, every pane gets
// its usable height and the column scrolls a pane at a time. Nothing covers the status bar.
void layOutFilterColumn(QWidget* main);
// Shows the referer view for an outside referer (key: a text of the store beginning with
// "http://" or "https://"): the program's one referer view, made when there is none, shown
// beside the main window without taking the focus. Nothing for any other key.
void showRefererView(QWidget* main, const char* key);
// A new filter pane (its id already its position's) takes its place: 200 pixels a position
// below the column's top, and the pane before it gives up what it covered.
void placeNewFilterPane(QWidget* main, toolkit::Window& pane);
// After the pane at `position` went (the panes after it have moved up an id), the next pane
// grows up into the gap it left at `place`.
void closeFilterColumnGap(QWidget* main, int position, const QRect& place);

} // namespace filters
