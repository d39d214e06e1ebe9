#pragma once

// Where the flow view's boxes go: the boxes opened after every recomputation, and the box a
// double click on a row opens. Canvas coordinates in device-independent pixels, the root
// box's top left corner at 0, 0. The window creates, moves and draws the boxes; these
// functions only place them.

#include "views/flow_tree.h"

#include <vector>

namespace views {

inline constexpr int kFlowBoxWidth = 400;
inline constexpr int kFlowBoxGap = 40; // between a box and the box it opened
inline constexpr int kFlowColumn = kFlowBoxWidth + kFlowBoxGap;
inline constexpr int kFlowRowHeight = 14;
inline constexpr int kFlowRootRows = 12;  // visible rows per list of the root box
inline constexpr int kFlowBranchRows = 8; // of every other box
inline constexpr int kFlowStackGap = 20;  // between the boxes stacked beside the root
inline constexpr int kFlowSideBoxes = 3;  // opened on each side of the root

// The parts of a box's height the window draws besides the rows.
struct FlowBoxMetrics
{
    int captionHeight = 20;
    int listFrame = 2; // added once per list shown
};

// One box: the nodes whose children its two lists show (null: that list is absent), its
// place and the visible rows of each list.
struct FlowBoxPlan
{
    FlowNode* prev = nullptr; // its list "prev" (above)
    FlowNode* next = nullptr; // its list "next" (below)
    int x = 0;
    int y = 0;
    int prevRows = 0;
    int nextRows = 0;
};

// The rows a list of node shows at first: wanted, or fewer when the node has fewer
// branches; 0 without a node or branches (the list is absent).
int visibleRows(const FlowNode* node, int wanted);

int flowBoxHeight(const FlowBoxPlan& box, const FlowBoxMetrics& metrics);

// The boxes after a recomputation: the root box at 0, 0 with both roots (a root without
// branches shows no list); then, at x 440, a box for each of the first three children of
// the next root in row order that have branches and are not the chosen page, showing
// their "next" list, stacked from y 0 down with 20 pixels between boxes; the same at
// x -440 for the previous root's children with their "prev" list. None without a page.
// The plans point at nodes the window attaches its boxes to (FlowNode::box).
std::vector<FlowBoxPlan> initialFlowLayout(FlowTrees& trees, const FlowBoxMetrics& metrics = {});

// What a double click on a list row of node does.
enum class FlowExpand {
    Nothing,     // a leaf, "EXIT" or "RELOAD"
    ScrollToBox, // the node has a box already: scroll it to the centre
    OpenBox,     // open a box (expandedFlowBox) and scroll it to the centre
};

FlowExpand flowExpand(const FlowNode* node);

// The box a double click opens for a row of node in the box at boxX: on the "prev" side
// (prevSide) 440 pixels left of that box's left edge showing the node's "prev" list,
// otherwise 40 pixels right of its right edge showing the "next" list; its top at rowTop
// (the clicked row's top on the canvas), 8 rows.
FlowBoxPlan expandedFlowBox(FlowNode* node, bool prevSide, int boxX, int rowTop);

// A box on the canvas.
struct FlowRect
{
    int x = 0, y = 0, width = 0, height = 0;
};

// The top nearest to `wanted` at which a box of width x height at x overlaps none of the
// boxes `taken` (kept kFlowStackGap apart from them): wanted itself when that place is free,
// else the nearest free place above or below it in its column (below when both are as near).
int freeFlowTop(int x, int wanted, int width, int height, const std::vector<FlowRect>& taken);

} // namespace views
