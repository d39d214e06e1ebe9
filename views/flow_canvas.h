#pragma once

// The flow view's canvas "WC_FLOWVIEW": the boxes of the two trees on a plane that scrolls,
// with the grid and the connectors between a row and the box it opened.

#include "toolkit/window.h"
#include "views/flow_box.h"
#include "views/flow_layout.h"
#include "views/flow_tree.h"

#include <QPoint>
#include <map>
#include <set>
#include <vector>

class QPainter;
class QScrollBar;

namespace views {

inline constexpr char kFlowCanvasClassName[] = "WC_FLOWVIEW";

// Registers "WC_FLOWVIEW" and the five box classes.
void registerFlowCanvas();

// The canvas: a plane in canvas coordinates (the root box's top left at 0, 0) seen through
// the widget from `origin`, with a grid, the boxes as child widgets and the connectors
// between a row and the box it opened.
class FlowCanvas final : public toolkit::Window
{
  public:
    explicit FlowCanvas(QWidget* parent);

    ~FlowCanvas() override { clearBoxes(); }

    FlowTrees& trees() { return m_trees; }
    QPoint origin() const { return m_origin; }
    const std::set<const char*>* groupNames() const { return m_groups; }
    // The open log's URL-group names; null while no log is open.
    void setGroupNames(const std::set<const char*>* groups) { m_groups = groups; }
    // The boxes on show, in the order they opened (raising a box changes the widgets' order,
    // not this one).
    std::vector<FlowBox*> boxes() const { return m_order; }

    // Drops every box and lays the trees out anew (after they were rebuilt).
    void rebuild(bool animate);

    // Drops the boxes (the trees are about to change).
    void clearBoxes();

    FlowBox* openBox(const FlowBoxPlan& plan);

    QPoint placeOf(const FlowBox* box) const;
    void moveBox(FlowBox* box, const QPoint& place);
    void forget(FlowBox* box);

    // Scrolls until the box is centred: in steps of at most 8 pixels, or at once.
    void centreOn(FlowBox* box, bool animate);

    // Canvas coordinates of a point of the widget, and back.
    QPoint toCanvas(const QPoint& p) const { return p + m_origin; }
    QPoint toWidget(const QPoint& c) const { return c - m_origin; }

  protected:
    void resizeEvent(QResizeEvent*) override;

    void paintEvent(QPaintEvent*) override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  public:
    // The timers come as WM_TIMER through the handler; the canvas's own handler passes
    // them here.
    void tick(int timerId);

  private:
    int viewWidth() const;
    int viewHeight() const;

    void setOrigin(const QPoint& origin);
    void placeBox(FlowBox* box);
    void placeBoxes();

    // The scroll bars cover every box with a margin, and where the view is now.
    void updateRange();

    // From each row whose node has a box of its own to that box's caption: a dotted line,
    // an arrow in the middle along the click, and the count beside the row.
    void drawConnectors(QPainter& p, FlowBox* box);

    FlowTrees m_trees;
    const std::set<const char*>* m_groups = nullptr;
    std::map<const FlowBox*, QPoint> m_places; // each box's top left on the canvas
    std::vector<FlowBox*> m_order;             // the boxes on show, oldest first
    QPoint m_origin;
    QPoint m_target;
    QPoint m_panStart, m_panAt;
    QScrollBar* m_h = nullptr;
    QScrollBar* m_v = nullptr;
    bool m_syncing = false;
};

} // namespace views
