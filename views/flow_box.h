#pragma once

// One box of the flow view's canvas: the branches of a node of the previous tree and of the
// next tree, with counts and shares, in lists the user scrolls, resizes and opens further.

#include "toolkit/window.h"
#include "views/flow_tree.h"

#include <QFont>
#include <QString>

namespace views {

class FlowCanvas;

// Sizes the boxes and the canvas share (device-independent pixels).
inline constexpr int kFlowCaption = 20;  // a box's caption
inline constexpr int kFlowGrip = 4;      // the lower border of a list, dragged to change its rows
inline constexpr int kFlowListFrame = 2; // one pixel above and below the rows

// The key as a row or a caption shows it ("no referer" for the null key).
QString flowKeyText(const FlowNode& node);
// The font of the rows and the connectors' counts.
QFont flowRowFont();

// One box of the canvas: the branches of the previous-tree node ("prev" list, above) and of
// the next-tree node ("next" list, below) it shows, 14-pixel rows, a caption with the
// node's key, a button that switches the rows to whole paths and a close button.
class FlowBox : public toolkit::Window
{
    Q_OBJECT

  public:
    enum Side { Prev = 0, Next = 1 };

    explicit FlowBox(QWidget* parent);
    ~FlowBox() override;

    // The nodes shown (either may be null) and the rows each list shows at first. The box
    // becomes the nodes' box.
    void attach(FlowNode* prev, FlowNode* next, int prevRows, int nextRows);
    // The nodes forget the box (before the box or the trees go).
    void detach();

    FlowNode* node(Side side) const { return m_nodes[side]; }
    // The key the caption shows (the node's key), UTF-8.
    QString title() const;
    // Branches of a side, their count; the visible rows of a list (0: no list).
    int rowCount(Side side) const;
    int visibleRows(Side side) const { return m_rows[side]; }
    // A row as the box shows it: "count<TAB>share<TAB>key" (the key in UTF-8, or the whole
    // path in path mode, steps joined by " → ").
    QString rowText(Side side, int row) const;
    // The row's rectangle in the box (clipped to its list), empty when scrolled out.
    QRect rowRect(Side side, int row) const;
    int currentRow(Side side) const { return m_current[side]; }
    Side currentSide() const { return m_currentSide; }
    bool pathMode() const { return m_pathMode; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Tab and Shift+Tab go round the canvas's boxes, in the order they opened.
    bool focusNextPrevChild(bool next) override;

  private:
    friend class FlowCanvas;
    struct Hit
    {
        enum Part { None, Caption, PathButton, CloseButton, Row, Grip } part = None;
        Side side = Next;
        int row = -1;
    };
    Hit hitTest(const QPoint& pos) const;
    int listTop(Side side) const;
    int listHeight(Side side) const;
    QRect closeButton() const;
    QRect pathButton() const;
    void layOutHeight();
    void setCurrent(Side side, int row);
    void scrollList(Side side, int rows);
    void expand(Side side, int row);
    void closeBox();
    void drawList(QPainter& p, Side side) const;
    FlowCanvas* canvas() const;

    FlowNode* m_nodes[2] = {nullptr, nullptr};
    int m_rows[2] = {0, 0};   // visible rows per list
    int m_scroll[2] = {0, 0}; // first visible row per list
    int m_current[2] = {-1, -1};
    Side m_currentSide = Next;
    bool m_pathMode = false;
    // Dragging: the box by its caption, or a list's lower border (its rows).
    enum class Drag { None, Move, Rows } m_drag = Drag::None;
    Side m_dragSide = Next;
    QPoint m_grab;       // the press, in the canvas
    QPoint m_startPlace; // the box's canvas place, or (rows, 0) when resizing
};

} // namespace views
