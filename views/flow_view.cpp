#include "views/flow_view.h"

#include "filters/chain.h"
#include "filters/chain_windows.h"
#include "filters/pane_frame.h"
#include "filters/view_pane.h"
#include "platform/codepage.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"
#include "views/chooser_control.h"
#include "views/flow_chooser.h"
#include "views/flow_layout.h"
#include "views/page_chooser.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

namespace views {

using namespace toolkit;

namespace {

constexpr char kFlowViewClassName[] = "WC_VIEW_FLOW";
constexpr char kFlowCanvasClassName[] = "WC_FLOWVIEW";
constexpr int kFlowCanvasId = 2002;
constexpr int kCaption = 20;
constexpr int kGrip = 4;      // the lower border of a list, dragged to change its rows
constexpr int kListFrame = 2; // one pixel above and below the rows
constexpr int kGrid = 40;
constexpr int kCentreTimer = 1;
constexpr int kPanTimer = 2;
constexpr char kNoRefererText[] = "no referer";

// The key as a row or caption shows it.
QString keyText(const FlowNode& node)
{
    if (!node.key)
        return QString::fromLatin1(kNoRefererText);
    return isCompletion(node) ? QString::fromLatin1(node.key) : fromCp932(node.key);
}

QFont rowFont()
{
    QFont f = QApplication::font();
    f.setPixelSize(11);
    return f;
}

// A plain handler: the box and canvas widgets do their own work.
class PlainHandler final : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        return defaultProc(self, msg, wParam, lParam);
    }
};

} // namespace

// The canvas: a plane in canvas coordinates (the root box's top left at 0, 0) seen through
// the widget from `origin`, with a grid, the boxes as child widgets and the connectors
// between a row and the box it opened.
class FlowCanvas final : public Window
{
  public:
    explicit FlowCanvas(QWidget* parent) : Window(parent)
    {
        setFocusPolicy(Qt::ClickFocus);
        m_h = new QScrollBar(Qt::Horizontal, this);
        m_v = new QScrollBar(Qt::Vertical, this);
        for (QScrollBar* bar : {m_h, m_v})
            connect(bar, &QScrollBar::valueChanged, this, [this] {
                if (!m_syncing)
                    setOrigin(QPoint(m_h->value(), m_v->value()));
            });
    }

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
    void rebuild(bool animate)
    {
        clearBoxes();
        m_origin = QPoint(0, 0);
        FlowBox* root = nullptr;
        if (m_trees.page()) {
            const FlowBoxMetrics metrics{kCaption, kListFrame + kGrip};
            for (const FlowBoxPlan& plan : initialFlowLayout(m_trees, metrics)) {
                FlowBox* box = openBox(plan);
                if (!root)
                    root = box;
            }
        }
        placeBoxes();
        if (root)
            centreOn(root, animate);
        update();
    }

    // Drops the boxes (the trees are about to change).
    void clearBoxes()
    {
        killTimer(kCentreTimer);
        for (FlowBox* box : boxes()) {
            box->detach();
            delete box;
        }
        m_places.clear();
        m_order.clear();
    }

    FlowBox* openBox(const FlowBoxPlan& plan)
    {
        const FlowNode* shown = plan.next ? plan.next : plan.prev;
        const PageKind kind =
            pageKind(shown ? shown->key : nullptr, m_groups ? *m_groups : std::set<const char*>());
        Window* w = toolkit::create(flowBoxClass(kind), this, 0, QRect(), nullptr, 0);
        auto* box = qobject_cast<FlowBox*>(w);
        if (!box)
            return nullptr;
        box->attach(plan.prev, plan.next, plan.prevRows, plan.nextRows);
        m_places[box] = QPoint(plan.x, plan.y);
        m_order.push_back(box);
        placeBox(box);
        box->show();
        m_h->raise();
        m_v->raise();
        return box;
    }

    QPoint placeOf(const FlowBox* box) const
    {
        const auto it = m_places.find(box);
        return it == m_places.end() ? QPoint() : it->second;
    }
    void moveBox(FlowBox* box, const QPoint& place)
    {
        m_places[box] = place;
        placeBox(box);
        updateRange();
        update();
    }
    void forget(FlowBox* box)
    {
        m_places.erase(box);
        m_order.erase(std::remove(m_order.begin(), m_order.end(), box), m_order.end());
        updateRange();
        update();
    }

    // Scrolls until the box is centred: in steps of at most 8 pixels, or at once.
    void centreOn(FlowBox* box, bool animate)
    {
        if (!box)
            return;
        const QPoint place = placeOf(box);
        m_target = place + QPoint(box->width() / 2, box->height() / 2) -
                   QPoint(viewWidth() / 2, viewHeight() / 2);
        if (!animate) {
            setOrigin(m_target);
            return;
        }
        setTimer(kCentreTimer, 8);
    }

    // Canvas coordinates of a point of the widget, and back.
    QPoint toCanvas(const QPoint& p) const { return p + m_origin; }
    QPoint toWidget(const QPoint& c) const { return c - m_origin; }

  protected:
    void resizeEvent(QResizeEvent*) override
    {
        const int s = QWidget::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        m_h->setGeometry(0, height() - s, width() - s, s);
        m_v->setGeometry(width() - s, 0, s, height() - s);
        updateRange();
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0xF5, 0xF5, 0xF5));
        p.setPen(QColor(0xE0, 0xE0, 0xE0));
        const int x0 = -(((m_origin.x() % kGrid) + kGrid) % kGrid);
        const int y0 = -(((m_origin.y() % kGrid) + kGrid) % kGrid);
        for (int x = x0; x < width(); x += kGrid)
            p.drawLine(x, 0, x, height());
        for (int y = y0; y < height(); y += kGrid)
            p.drawLine(0, y, width(), y);
        if (!m_trees.page()) {
            // With a log open, a word on what to do; without one, nothing.
            if (m_groups) {
                p.setPen(QColor(120, 126, 138));
                p.drawText(rect(), Qt::AlignCenter,
                           QStringLiteral("ページを選ぶと、その前と後の経路が表示されます"));
            }
            return;
        }
        p.setRenderHint(QPainter::Antialiasing);
        for (FlowBox* box : boxes())
            drawConnectors(p, box);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::MiddleButton) {
            m_panStart = event->position().toPoint();
            m_panAt = m_panStart;
            setCursor(Qt::SizeAllCursor);
            setTimer(kPanTimer, 20);
        }
    }
    void mouseMoveEvent(QMouseEvent* event) override { m_panAt = event->position().toPoint(); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::MiddleButton) {
            killTimer(kPanTimer);
            unsetCursor();
        }
    }
    void wheelEvent(QWheelEvent* event) override
    {
        const QPoint delta = event->angleDelta();
        if (event->modifiers() & Qt::ShiftModifier || delta.y() == 0)
            setOrigin(m_origin - QPoint(delta.y() ? delta.y() : delta.x(), 0) / 2);
        else
            setOrigin(m_origin - QPoint(0, delta.y()) / 2);
    }

  public:
    // The timers come as WM_TIMER through the handler; the canvas's own handler passes
    // them here.
    void tick(int timerId)
    {
        if (timerId == kCentreTimer) {
            const QPoint d = m_target - m_origin;
            const QPoint step(std::clamp(d.x(), -8, 8), std::clamp(d.y(), -8, 8));
            setOrigin(m_origin + step);
            if (step.isNull() || m_origin == m_target)
                killTimer(kCentreTimer);
        } else if (timerId == kPanTimer) {
            setOrigin(m_origin + (m_panAt - m_panStart) / 8);
        }
    }

  private:
    int viewWidth() const { return width() - m_v->width(); }
    int viewHeight() const { return height() - m_h->height(); }

    void setOrigin(const QPoint& origin)
    {
        if (origin == m_origin)
            return;
        m_origin = origin;
        placeBoxes();
        updateRange();
        update();
    }
    void placeBox(FlowBox* box) { box->move(toWidget(placeOf(box))); }
    void placeBoxes()
    {
        for (FlowBox* box : boxes())
            placeBox(box);
    }

    // The scroll bars cover every box with a margin, and where the view is now.
    void updateRange()
    {
        QRect all(m_origin, QSize(viewWidth(), viewHeight()));
        for (FlowBox* box : boxes())
            all |= QRect(placeOf(box), box->size())
                       .adjusted(-kGrid * 2, -kGrid * 2, kGrid * 2, kGrid * 2);
        m_syncing = true;
        m_h->setRange(all.left(), std::max(all.left(), all.right() + 1 - viewWidth()));
        m_h->setPageStep(viewWidth());
        m_h->setSingleStep(20);
        m_h->setValue(m_origin.x());
        m_v->setRange(all.top(), std::max(all.top(), all.bottom() + 1 - viewHeight()));
        m_v->setPageStep(viewHeight());
        m_v->setSingleStep(20);
        m_v->setValue(m_origin.y());
        m_syncing = false;
    }

    // From each row whose node has a box of its own to that box's caption: a dotted line,
    // an arrow in the middle along the click, and the count beside the row.
    void drawConnectors(QPainter& p, FlowBox* box)
    {
        const QFont font = rowFont();
        p.setFont(font);
        const QFontMetrics fm(font);
        for (const FlowBox::Side side : {FlowBox::Prev, FlowBox::Next}) {
            const FlowNode* node = box->node(side);
            if (!node || !box->visibleRows(side))
                continue;
            for (const FlowNode* child : node->children) {
                FlowBox* target = child->box;
                if (!target || target == box)
                    continue;
                // The row's end, held inside the list when the row is scrolled out.
                const int top = box->listTop(side) + kListFrame / 2;
                const int rows = box->visibleRows(side);
                const int shown = std::clamp(child->rank - box->m_scroll[side], 0, rows - 1);
                const int y = box->y() + top + shown * kFlowRowHeight + kFlowRowHeight / 2;
                const bool next = side == FlowBox::Next;
                const QPointF from(next ? box->x() + box->width() : box->x(), y);
                const QPointF to(next ? target->x() : target->x() + target->width(),
                                 target->y() + kCaption / 2);
                p.setPen(QPen(QColor(40, 44, 52), 1.2, Qt::DotLine, Qt::RoundCap));
                p.setBrush(Qt::NoBrush);
                QPainterPath curve(from);
                const double bend = std::max(30.0, std::abs(to.x() - from.x()) / 2);
                const double dir = next ? 1 : -1;
                curve.cubicTo(from + QPointF(dir * bend, 0), to - QPointF(dir * bend, 0), to);
                p.drawPath(curve);
                // The arrow points the way the visitors clicked: forward on the next side,
                // towards this box on the previous side.
                const QPointF mid = curve.pointAtPercent(0.5);
                const double angle = curve.angleAtPercent(0.5) * M_PI / 180.0;
                QPointF along(std::cos(angle), -std::sin(angle));
                if (!next)
                    along = -along;
                const QPointF across(-along.y(), along.x());
                const QPolygonF arrow(
                    {mid + along * 6, mid - along * 4 + across * 5, mid - along * 4 - across * 5});
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(40, 44, 52));
                p.drawPolygon(arrow);
                // The count beside the row's end, on a light tag.
                const QString count = QLocale().toString(child->count);
                const int w = fm.horizontalAdvance(count) + 8;
                const QRectF tag(next ? from.x() + 4 : from.x() - 4 - w, from.y() - 8, w, 15);
                p.setPen(QPen(QColor(200, 204, 212), 1));
                p.setBrush(QColor(255, 255, 255, 230));
                p.drawRoundedRect(tag, 4, 4);
                p.setPen(QColor(40, 44, 52));
                p.drawText(tag, Qt::AlignCenter, count);
            }
        }
    }

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

namespace {

class CanvasHandler final : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        if (msg == WM_TIMER) {
            static_cast<FlowCanvas&>(self).tick(static_cast<int>(wParam));
            return 0;
        }
        return defaultProc(self, msg, wParam, lParam);
    }
};

} // namespace

// The box.

FlowBox::FlowBox(QWidget* parent) : Window(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    resize(kFlowBoxWidth, kCaption);
}

FlowBox::~FlowBox()
{
    detach();
}

void FlowBox::attach(FlowNode* prev, FlowNode* next, int prevRows, int nextRows)
{
    m_nodes[Prev] = prev;
    m_nodes[Next] = next;
    m_rows[Prev] = prev && !prev->children.empty() ? std::max(1, prevRows) : 0;
    m_rows[Next] = next && !next->children.empty() ? std::max(1, nextRows) : 0;
    for (FlowNode* node : m_nodes)
        if (node)
            node->box = this;
    m_currentSide = m_rows[Next] ? Next : Prev;
    m_current[m_currentSide] = m_rows[m_currentSide] ? 0 : -1;
    layOutHeight();
}

void FlowBox::detach()
{
    for (FlowNode*& node : m_nodes) {
        if (node && node->box == this)
            node->box = nullptr;
        node = nullptr;
    }
}

FlowCanvas* FlowBox::canvas() const
{
    return dynamic_cast<FlowCanvas*>(parentWidget());
}

QString FlowBox::title() const
{
    const FlowNode* node = m_nodes[Next] ? m_nodes[Next] : m_nodes[Prev];
    return node ? keyText(*node) : QString();
}

int FlowBox::rowCount(Side side) const
{
    return m_nodes[side] ? static_cast<int>(m_nodes[side]->children.size()) : 0;
}

QString FlowBox::rowText(Side side, int row) const
{
    if (row < 0 || row >= rowCount(side))
        return {};
    const FlowNode& node = *m_nodes[side]->children[static_cast<std::size_t>(row)];
    QString key;
    if (m_pathMode) {
        // From the chosen page outwards; the completion keys are texts of their own.
        QStringList steps;
        for (const char* k : pathKeys(node)) {
            steps << (k == kExitKey || k == kReloadKey ? QString::fromLatin1(k)
                      : k                              ? fromCp932(k)
                                                       : QString::fromLatin1(kNoRefererText));
        }
        key = steps.join(side == Next ? QStringLiteral(" → ") : QStringLiteral(" ← "));
    } else {
        key = keyText(node);
    }
    return QString::number(node.count) + QLatin1Char('\t') +
           QString::fromStdString(shareText(node)) + QLatin1Char('\t') + key;
}

int FlowBox::listTop(Side side) const
{
    return side == Prev ? kCaption : kCaption + listHeight(Prev);
}

int FlowBox::listHeight(Side side) const
{
    return m_rows[side] ? m_rows[side] * kFlowRowHeight + kListFrame + kGrip : 0;
}

QRect FlowBox::rowRect(Side side, int row) const
{
    const int shown = row - m_scroll[side];
    if (shown < 0 || shown >= m_rows[side])
        return {};
    return QRect(1, listTop(side) + kListFrame / 2 + shown * kFlowRowHeight, width() - 2,
                 kFlowRowHeight);
}

QRect FlowBox::closeButton() const
{
    return QRect(width() - 19, 3, 15, 15);
}

QRect FlowBox::pathButton() const
{
    return QRect(width() - 37, 3, 15, 15);
}

void FlowBox::layOutHeight()
{
    resize(kFlowBoxWidth, kCaption + listHeight(Prev) + listHeight(Next) + 1);
    update();
    if (FlowCanvas* c = canvas())
        c->update();
}

FlowBox::Hit FlowBox::hitTest(const QPoint& pos) const
{
    Hit hit;
    if (pos.y() < kCaption) {
        hit.part = closeButton().contains(pos)  ? Hit::CloseButton
                   : pathButton().contains(pos) ? Hit::PathButton
                                                : Hit::Caption;
        return hit;
    }
    for (const Side side : {Prev, Next}) {
        if (!m_rows[side])
            continue;
        const int top = listTop(side);
        const int bottom = top + listHeight(side);
        if (pos.y() < top || pos.y() >= bottom)
            continue;
        hit.side = side;
        if (pos.y() >= bottom - kGrip) {
            hit.part = Hit::Grip;
            return hit;
        }
        const int row = m_scroll[side] + (pos.y() - top - kListFrame / 2) / kFlowRowHeight;
        if (row >= 0 && row < rowCount(side)) {
            hit.part = Hit::Row;
            hit.row = row;
        }
        return hit;
    }
    return hit;
}

void FlowBox::setCurrent(Side side, int row)
{
    if (!m_rows[side] || rowCount(side) == 0)
        return;
    row = std::clamp(row, 0, rowCount(side) - 1);
    m_currentSide = side;
    m_current[side] = row;
    if (row < m_scroll[side])
        m_scroll[side] = row;
    else if (row >= m_scroll[side] + m_rows[side])
        m_scroll[side] = row - m_rows[side] + 1;
    update();
    if (FlowCanvas* c = canvas())
        c->update();
}

void FlowBox::scrollList(Side side, int rows)
{
    const int most = std::max(0, rowCount(side) - m_rows[side]);
    const int to = std::clamp(m_scroll[side] + rows, 0, most);
    if (to == m_scroll[side])
        return;
    m_scroll[side] = to;
    update();
    if (FlowCanvas* c = canvas())
        c->update();
}

void FlowBox::expand(Side side, int row)
{
    FlowCanvas* c = canvas();
    if (!c || row < 0 || row >= rowCount(side))
        return;
    FlowNode* node = m_nodes[side]->children[static_cast<std::size_t>(row)];
    switch (flowExpand(node)) {
    case FlowExpand::Nothing:
        return;
    case FlowExpand::ScrollToBox:
        c->centreOn(node->box, true);
        node->box->setFocus();
        return;
    case FlowExpand::OpenBox: {
        const QPoint place = c->placeOf(this);
        const QRect r = rowRect(side, row);
        const FlowBoxPlan plan =
            expandedFlowBox(node, side == Prev, place.x(), place.y() + r.top());
        if (FlowBox* box = c->openBox(plan)) {
            c->centreOn(box, true);
            box->setFocus();
        }
        return;
    }
    }
}

void FlowBox::closeBox()
{
    FlowCanvas* c = canvas();
    detach();
    hide();
    if (c) {
        c->forget(this);
        c->setFocus();
    }
    deleteLater();
}

void FlowBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool focused = hasFocus();
    // Body, with a caption band in the colour of the box's kind.
    const FlowNode* shown = m_nodes[Next] ? m_nodes[Next] : m_nodes[Prev];
    const FlowCanvas* c = canvas();
    const std::set<const char*> none;
    const PageKind kind =
        pageKind(shown ? shown->key : nullptr, c && c->groupNames() ? *c->groupNames() : none);
    const QColor accent = filters::fromBgr(pageColour(kind));
    QPainterPath body;
    body.addRoundedRect(frame, 5, 5);
    p.fillPath(body, Qt::white);
    QPainterPath band;
    band.addRoundedRect(QRectF(frame.left(), frame.top(), frame.width(), kCaption + 6), 5, 5);
    QLinearGradient shade(0, 0, 0, kCaption);
    // The focused box's caption: a pale wash of its kind's colour, so the title stays dark on
    // light.
    const auto wash = [](int channel) { return (channel * 18 + 255 * 82) / 100; };
    const QColor tint = focused
                            ? QColor(wash(accent.red()), wash(accent.green()), wash(accent.blue()))
                            : QColor(236, 239, 243);
    shade.setColorAt(0, tint.lighter(106));
    shade.setColorAt(1, tint);
    p.save();
    p.setClipRect(QRectF(0, 0, width(), kCaption));
    p.fillPath(band, shade);
    p.restore();
    p.setPen(QPen(focused ? accent : QColor(176, 182, 192), focused ? 1.5 : 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    p.setPen(QColor(214, 218, 224));
    p.drawLine(QPointF(1, kCaption - 0.5), QPointF(width() - 1, kCaption - 0.5));

    // Caption: the icon of the kind, the key, the path button and the close button.
    const EntryKind entry =
        shown && shown->key && !isCompletion(*shown)
            ? entryKindOf(shown->key, kind == PageKind::PageGroup || kind == PageKind::OutsideGroup)
            : EntryKind::Other;
    p.drawPixmap(QPointF(5, 3), entryIcon(entry));
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(QColor(30, 34, 40));
    const QRect text(23, 0, pathButton().left() - 27, kCaption);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(bold).elidedText(title(), Qt::ElideMiddle, text.width()));
    // The path button: three steps joined; pressed while rows show whole paths.
    const QRectF pb = QRectF(pathButton()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_pathMode) {
        p.setPen(QColor(150, 156, 168));
        p.setBrush(QColor(214, 220, 230));
        p.drawRoundedRect(pb, 3, 3);
    }
    p.setPen(QPen(QColor(70, 76, 88), 1.2));
    p.setBrush(QColor(70, 76, 88));
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(pb.left() + 3.5 + i * 4, pb.center().y()), 1.3, 1.3);
    const QRectF cb = QRectF(closeButton()).adjusted(3.5, 3.5, -3.5, -3.5);
    p.setPen(QPen(QColor(70, 76, 88), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(cb.topLeft(), cb.bottomRight());
    p.drawLine(cb.topRight(), cb.bottomLeft());

    p.setFont(rowFont());
    for (const Side side : {Prev, Next})
        if (m_rows[side])
            drawList(p, side);
}

void FlowBox::drawList(QPainter& p, Side side) const
{
    const FlowCanvas* c = canvas();
    const std::set<const char*> none;
    const std::set<const char*>& groups = c && c->groupNames() ? *c->groupNames() : none;
    const QFontMetrics fm(p.font());
    const std::uint32_t largest = c ? const_cast<FlowCanvas*>(c)->trees().largestRootCount() : 0;
    const int countWidth =
        fm.horizontalAdvance(QString::number(std::max<std::uint32_t>(largest, 1))) + 10;
    const int shareWidth = fm.horizontalAdvance(QStringLiteral("100.0%")) + 8;
    const int top = listTop(side);
    // A strip at the left tells the sides apart: where visitors came from, where they went.
    const QColor strip = side == Prev ? QColor(120, 150, 210) : QColor(110, 180, 120);
    p.fillRect(QRect(1, top + 1, 3, m_rows[side] * kFlowRowHeight), strip);
    const bool focused = hasFocus();
    for (int shown = 0; shown < m_rows[side]; ++shown) {
        const int row = m_scroll[side] + shown;
        if (row >= rowCount(side))
            break;
        const FlowNode& node = *m_nodes[side]->children[static_cast<std::size_t>(row)];
        const QRect r = rowRect(side, row).adjusted(4, 0, -2, 0);
        const bool current = m_currentSide == side && m_current[side] == row;
        if (current)
            p.fillRect(r, focused ? QColor(220, 232, 250) : QColor(236, 238, 242));
        else if (row % 2)
            p.fillRect(r, QColor(250, 251, 252));
        if (node.box) {
            // A row with a box of its own is marked by a dot at its end.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 44, 52));
            p.drawEllipse(
                QPointF(side == Next ? r.right() - 3 : r.left() + 3, r.center().y() + 0.5), 2, 2);
        }
        p.setPen(QColor(30, 34, 40));
        p.drawText(QRect(r.left(), r.top(), countWidth - 4, r.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(node.count));
        // The share as a small bar behind its text.
        const QRect share(r.left() + countWidth, r.top() + 1, shareWidth - 4, r.height() - 2);
        const double fraction = node.parent && node.parent->count
                                    ? std::min(1.0, double(node.count) / double(node.parent->count))
                                    : 0.0;
        p.fillRect(
            QRectF(share.left(), share.top() + 1, share.width() * fraction, share.height() - 2),
            QColor(strip.red(), strip.green(), strip.blue(), 60));
        p.setPen(QColor(90, 96, 108));
        p.drawText(share.adjusted(0, -1, -2, 0), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromStdString(shareText(node)));
        const QRect keyRect(share.right() + 8, r.top(), r.right() - share.right() - 18, r.height());
        QString key = rowText(side, row).section(QLatin1Char('\t'), 2);
        QColor colour = filters::fromBgr(pageColour(pageKind(node.key, groups)));
        if (isCompletion(node) || !node.key) {
            QFont italic = p.font();
            italic.setItalic(true);
            p.setFont(italic);
            colour = QColor(120, 126, 138);
        }
        p.setPen(colour);
        p.drawText(keyRect, Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(key, Qt::ElideMiddle, keyRect.width()));
        p.setFont(rowFont());
        if (current && focused) {
            p.setPen(QPen(QColor(90, 130, 200), 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }
    // The scroll position of a list with more rows than it shows.
    const int total = rowCount(side);
    if (total > m_rows[side]) {
        const int h = m_rows[side] * kFlowRowHeight;
        const int thumb = std::max(8, h * m_rows[side] / total);
        const int at = (h - thumb) * m_scroll[side] / std::max(1, total - m_rows[side]);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawRoundedRect(QRectF(width() - 5, top + 1 + at, 3, thumb), 1.5, 1.5);
    }
    // The grip: the list's lower border.
    const int gy = top + listHeight(side) - kGrip / 2 - 1;
    p.setPen(QColor(214, 218, 224));
    p.drawLine(QPointF(width() / 2.0 - 12, gy), QPointF(width() / 2.0 + 12, gy));
}

void FlowBox::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    FlowCanvas* c = canvas();
    if (event->button() == Qt::MiddleButton && c) {
        event->ignore(); // the canvas scrolls
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const Hit hit = hitTest(event->position().toPoint());
    switch (hit.part) {
    case Hit::CloseButton:
        closeBox();
        return;
    case Hit::PathButton:
        m_pathMode = !m_pathMode;
        update();
        return;
    case Hit::Caption:
        if (c) {
            m_drag = Drag::Move;
            m_grab = c->toCanvas(mapToParent(event->position().toPoint()));
            m_startPlace = c->placeOf(this);
            raise();
        }
        return;
    case Hit::Grip:
        m_drag = Drag::Rows;
        m_dragSide = hit.side;
        m_grab = mapToParent(event->position().toPoint());
        m_startPlace = QPoint(m_rows[hit.side], 0);
        return;
    case Hit::Row:
        setCurrent(hit.side, hit.row);
        return;
    case Hit::None:
        return;
    }
}

void FlowBox::mouseMoveEvent(QMouseEvent* event)
{
    FlowCanvas* c = canvas();
    const QPoint at = mapToParent(event->position().toPoint());
    if (m_drag == Drag::Move && c) {
        c->moveBox(this, m_startPlace + c->toCanvas(at) - m_grab);
        return;
    }
    if (m_drag == Drag::Rows) {
        const int rows = m_startPlace.x() + (at.y() - m_grab.y()) / kFlowRowHeight;
        const int most = std::max(1, rowCount(m_dragSide));
        const int wanted = std::clamp(rows, 1, most);
        if (wanted != m_rows[m_dragSide]) {
            m_rows[m_dragSide] = wanted;
            m_scroll[m_dragSide] =
                std::clamp(m_scroll[m_dragSide], 0, std::max(0, rowCount(m_dragSide) - wanted));
            layOutHeight();
            if (c)
                c->moveBox(this, c->placeOf(this));
        }
        return;
    }
    const Hit hit = hitTest(event->position().toPoint());
    setCursor(hit.part == Hit::Grip      ? Qt::SizeVerCursor
              : hit.part == Hit::Caption ? Qt::OpenHandCursor
                                         : Qt::ArrowCursor);
}

void FlowBox::mouseReleaseEvent(QMouseEvent*)
{
    m_drag = Drag::None;
}

void FlowBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const Hit hit = hitTest(event->position().toPoint());
    if (hit.part == Hit::Caption) {
        m_pathMode = !m_pathMode;
        update();
    } else if (hit.part == Hit::Row) {
        expand(hit.side, hit.row);
    }
}

void FlowBox::wheelEvent(QWheelEvent* event)
{
    const Hit hit = hitTest(event->position().toPoint());
    const int steps = -event->angleDelta().y() / 40;
    if ((hit.part == Hit::Row || hit.part == Hit::Grip) && rowCount(hit.side) > m_rows[hit.side] &&
        steps) {
        scrollList(hit.side, steps);
        return;
    }
    event->ignore(); // the canvas scrolls
}

void FlowBox::keyPressEvent(QKeyEvent* event)
{
    Side side = m_currentSide;
    const int row = m_current[side];
    switch (event->key()) {
    case Qt::Key_Up:
        if (row > 0)
            setCurrent(side, row - 1);
        else if (side == Next && m_rows[Prev])
            setCurrent(Prev, rowCount(Prev) - 1);
        return;
    case Qt::Key_Down:
        if (row + 1 < rowCount(side))
            setCurrent(side, row + 1);
        else if (side == Prev && m_rows[Next])
            setCurrent(Next, 0);
        return;
    case Qt::Key_PageUp:
        setCurrent(side, row - std::max(1, m_rows[side] - 1));
        return;
    case Qt::Key_PageDown:
        setCurrent(side, row + std::max(1, m_rows[side] - 1));
        return;
    case Qt::Key_Home:
        setCurrent(side, 0);
        return;
    case Qt::Key_End:
        setCurrent(side, rowCount(side) - 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        expand(side, row);
        return;
    case Qt::Key_Delete:
        closeBox();
        return;
    case Qt::Key_Space:
        m_pathMode = !m_pathMode;
        update();
        return;
    default:
        Window::keyPressEvent(event);
    }
}

void FlowBox::focusInEvent(QFocusEvent* event)
{
    Window::focusInEvent(event);
    raise();
    if (FlowCanvas* c = canvas()) {
        // A box reached with Tab comes into view.
        const QRect seen(QPoint(0, 0), c->size());
        if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
            if (!seen.contains(geometry()))
                c->centreOn(this, true);
    }
    update();
}

bool FlowBox::focusNextPrevChild(bool next)
{
    FlowCanvas* c = canvas();
    if (!c)
        return Window::focusNextPrevChild(next);
    const std::vector<FlowBox*> boxes = c->boxes();
    const auto at = std::find(boxes.begin(), boxes.end(), this);
    if (at == boxes.end() || boxes.size() < 2)
        return true;
    const std::size_t i = static_cast<std::size_t>(at - boxes.begin());
    FlowBox* to = boxes[(i + (next ? 1 : boxes.size() - 1)) % boxes.size()];
    to->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void FlowBox::focusOutEvent(QFocusEvent* event)
{
    Window::focusOutEvent(event);
    update();
}

namespace {

// The view: the page chooser above the canvas.
class FlowView final : public filters::ViewPane
{
  protected:
    QString title() const override { return QStringLiteral("フロー"); }

    QWidget* createContent(filters::PaneFrame& frame) override
    {
        auto* content = new QWidget(&frame);
        m_chooser.create(content, QRect(2, 1, 360, 320));
        m_canvas = dynamic_cast<FlowCanvas*>(toolkit::create(
            kFlowCanvasClassName, content, kFlowCanvasId, QRect(), nullptr, WS_VISIBLE));
        auto* layout = new QVBoxLayout(content);
        layout->setContentsMargins(0, kChooserHeight, 0, 0);
        if (m_canvas)
            layout->addWidget(m_canvas);
        return content;
    }

    void recompute(Window& self, store::LogContainer* log) override
    {
        if (!m_canvas)
            return;
        const WaitCursor wait;
        m_canvas->clearBoxes();
        if (log) {
            std::vector<const char*> entries = flowChooserEntries(*log, sourceBit());
            if (!entries.empty())
                entries.erase(entries.begin()); // the null entry: the chooser adds its own
            m_pages.rebuild(std::move(entries));
            m_canvas->setGroupNames(&log->GroupNames);
            buildFlowTrees(*log, sourceBit(), m_pages.chosenEntry(), m_canvas->trees());
        } else {
            m_pages.clear();
            m_canvas->setGroupNames(nullptr);
            m_canvas->trees().clear();
        }
        m_chooser.show(m_pages, mainOf(self));
        m_canvas->rebuild(m_canvas->isVisible());
        updateStatus();
    }

    LResult onViewMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_MEASUREITEM:
            return m_chooser.measure(*reinterpret_cast<MeasureItem*>(lParam)) ? 1 : 0;
        case WM_DRAWITEM:
            return m_chooser.draw(*reinterpret_cast<DrawItem*>(lParam), m_pages) ? 1 : 0;
        case WM_COMMAND:
            if (loWord(wParam) == kChooserId && hiWord(wParam) == CBN_SELCHANGE &&
                m_chooser.takeChoice(m_pages))
                command(&self, ID_REFRESH, filters::kRefreshSelfOnly);
            return 0;
        case UM_LOGCLOSED:
            recompute(self, nullptr);
            return 0;
        default:
            return ViewPane::onViewMessage(self, msg, wParam, lParam);
        }
    }

    const QString* statusText() const override { return m_status.isEmpty() ? nullptr : &m_status; }

  private:
    void updateStatus()
    {
        const FlowTrees& t = m_canvas->trees();
        m_status = t.page() ? QStringLiteral("%L1 回の閲覧").arg(t.next().root().count) : QString();
    }

    PageChooser m_pages;
    ChooserControl m_chooser;
    FlowCanvas* m_canvas = nullptr;
    QString m_status;
};

} // namespace

void registerFlowView()
{
    registerClass(
        kFlowViewClassName, [](void*) { return std::make_unique<FlowView>(); },
        [](QWidget* parent) { return new filters::PaneFrame(parent); });
    registerClass(
        kFlowCanvasClassName, [](void*) { return std::make_unique<CanvasHandler>(); },
        [](QWidget* parent) { return new FlowCanvas(parent); });
    for (const PageKind kind : {PageKind::Page, PageKind::PageGroup, PageKind::Outside,
                                PageKind::OutsideGroup, PageKind::Other})
        registerClass(
            flowBoxClass(kind), [](void*) { return std::make_unique<PlainHandler>(); },
            [](QWidget* parent) { return new FlowBox(parent); });
}

} // namespace views
