#include "views/flow_layout.h"

#include <algorithm>
#include <cstdlib>

namespace views {

int visibleRows(const FlowNode* node, int wanted)
{
    if (!node)
        return 0;
    return std::min(wanted, static_cast<int>(node->children.size()));
}

int flowBoxHeight(const FlowBoxPlan& box, const FlowBoxMetrics& metrics)
{
    int height = metrics.captionHeight;
    for (const int rows : {box.prevRows, box.nextRows})
        if (rows > 0)
            height += rows * kFlowRowHeight + metrics.listFrame;
    return height;
}

namespace {

// Up to three boxes beside the root, at x, for the root's children with branches.
void addSideBoxes(std::vector<FlowBoxPlan>& boxes, FlowNode& root, const char* page, bool prevSide,
                  int x, const FlowBoxMetrics& metrics)
{
    int y = 0;
    int opened = 0;
    for (FlowNode* child : root.children) {
        if (opened == kFlowSideBoxes)
            break;
        if (!canExpand(child) || child->key == page)
            continue;
        FlowBoxPlan box;
        (prevSide ? box.prev : box.next) = child;
        (prevSide ? box.prevRows : box.nextRows) = visibleRows(child, kFlowBranchRows);
        box.x = x;
        box.y = y;
        boxes.push_back(box);
        y += flowBoxHeight(box, metrics) + kFlowStackGap;
        ++opened;
    }
}

} // namespace

std::vector<FlowBoxPlan> initialFlowLayout(FlowTrees& trees, const FlowBoxMetrics& metrics)
{
    std::vector<FlowBoxPlan> boxes;
    if (!trees.page())
        return boxes;
    FlowNode& next = trees.next().root();
    FlowNode& prev = trees.prev().root();
    FlowBoxPlan root;
    root.prev = &prev;
    root.next = &next;
    root.prevRows = visibleRows(&prev, kFlowRootRows);
    root.nextRows = visibleRows(&next, kFlowRootRows);
    boxes.push_back(root);
    addSideBoxes(boxes, next, trees.page(), false, kFlowColumn, metrics);
    addSideBoxes(boxes, prev, trees.page(), true, -kFlowColumn, metrics);
    return boxes;
}

FlowExpand flowExpand(const FlowNode* node)
{
    if (!canExpand(node))
        return FlowExpand::Nothing;
    return node->box ? FlowExpand::ScrollToBox : FlowExpand::OpenBox;
}

FlowBoxPlan expandedFlowBox(FlowNode* node, bool prevSide, int boxX, int rowTop)
{
    FlowBoxPlan box;
    box.y = rowTop;
    if (prevSide) {
        box.prev = node;
        box.prevRows = visibleRows(node, kFlowBranchRows);
        box.x = boxX - kFlowColumn;
    } else {
        box.next = node;
        box.nextRows = visibleRows(node, kFlowBranchRows);
        box.x = boxX + kFlowBoxWidth + kFlowBoxGap;
    }
    return box;
}

int freeFlowTop(int x, int wanted, int width, int height, const std::vector<FlowRect>& taken)
{
    const auto overlaps = [&](int top) {
        for (const FlowRect& r : taken)
            if (x < r.x + r.width && r.x < x + width && top < r.y + r.height + kFlowStackGap &&
                r.y < top + height + kFlowStackGap)
                return true;
        return false;
    };
    // A free place, if not the one wanted, begins just below a box or ends just above one.
    std::vector<int> candidates = {wanted};
    for (const FlowRect& r : taken) {
        candidates.push_back(r.y + r.height + kFlowStackGap);
        candidates.push_back(r.y - height - kFlowStackGap);
    }
    int best = wanted;
    long long bestDistance = -1;
    for (const int top : candidates) {
        if (overlaps(top))
            continue;
        const long long distance = std::llabs(static_cast<long long>(top) - wanted);
        if (bestDistance < 0 || distance < bestDistance ||
            (distance == bestDistance && top > best)) {
            best = top;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace views
