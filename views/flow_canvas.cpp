#include "views/flow_canvas.h"

#include "views/flow_chooser.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace views {

using namespace toolkit;

namespace {

constexpr int kGrid = 40;
constexpr int kCentreTimer = 1;
constexpr int kPanTimer = 2;

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

// A plain handler: the box widgets do their own work.
class PlainHandler final : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        return defaultProc(self, msg, wParam, lParam);
    }
};

} // namespace

FlowCanvas::FlowCanvas(QWidget* parent) : Window(parent)
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

void FlowCanvas::rebuild(bool animate)
{
    clearBoxes();
    m_origin = QPoint(0, 0);
    FlowBox* root = nullptr;
    if (m_trees.page()) {
        const FlowBoxMetrics metrics{kFlowCaption, kFlowListFrame + kFlowGrip};
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

void FlowCanvas::clearBoxes()
{
    killTimer(kCentreTimer);
    for (FlowBox* box : boxes()) {
        box->detach();
        delete box;
    }
    m_places.clear();
    m_order.clear();
}

FlowBox* FlowCanvas::openBox(const FlowBoxPlan& plan)
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

QPoint FlowCanvas::placeOf(const FlowBox* box) const
{
    const auto it = m_places.find(box);
    return it == m_places.end() ? QPoint() : it->second;
}

void FlowCanvas::moveBox(FlowBox* box, const QPoint& place)
{
    m_places[box] = place;
    placeBox(box);
    updateRange();
    update();
}

void FlowCanvas::forget(FlowBox* box)
{
    m_places.erase(box);
    m_order.erase(std::remove(m_order.begin(), m_order.end(), box), m_order.end());
    updateRange();
    update();
}

void FlowCanvas::centreOn(FlowBox* box, bool animate)
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

void FlowCanvas::resizeEvent(QResizeEvent*)
{
    const int s = QWidget::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_h->setGeometry(0, height() - s, width() - s, s);
    m_v->setGeometry(width() - s, 0, s, height() - s);
    updateRange();
}

void FlowCanvas::paintEvent(QPaintEvent*)
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

void FlowCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        m_panStart = event->position().toPoint();
        m_panAt = m_panStart;
        setCursor(Qt::SizeAllCursor);
        setTimer(kPanTimer, 20);
    }
}

void FlowCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) {
        killTimer(kPanTimer);
        unsetCursor();
    }
}

void FlowCanvas::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ShiftModifier || delta.y() == 0)
        setOrigin(m_origin - QPoint(delta.y() ? delta.y() : delta.x(), 0) / 2);
    else
        setOrigin(m_origin - QPoint(0, delta.y()) / 2);
}

void FlowCanvas::tick(int timerId)
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

void FlowCanvas::setOrigin(const QPoint& origin)
{
    if (origin == m_origin)
        return;
    m_origin = origin;
    placeBoxes();
    updateRange();
    update();
}

void FlowCanvas::placeBoxes()
{
    for (FlowBox* box : boxes())
        placeBox(box);
}

void FlowCanvas::updateRange()
{
    QRect all(m_origin, QSize(viewWidth(), viewHeight()));
    for (FlowBox* box : boxes())
        all |=
            QRect(placeOf(box), box->size()).adjusted(-kGrid * 2, -kGrid * 2, kGrid * 2, kGrid * 2);
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

void FlowCanvas::drawConnectors(QPainter& p, FlowBox* box)
{
    const QFont font = flowRowFont();
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
            const int top = box->listTop(side) + kFlowListFrame / 2;
            const int rows = box->visibleRows(side);
            const int shown = std::clamp(child->rank - box->m_scroll[side], 0, rows - 1);
            const int y = box->y() + top + shown * kFlowRowHeight + kFlowRowHeight / 2;
            const bool next = side == FlowBox::Next;
            const QPointF from(next ? box->x() + box->width() : box->x(), y);
            const QPointF to(next ? target->x() : target->x() + target->width(),
                             target->y() + kFlowCaption / 2);
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

int FlowCanvas::viewWidth() const
{
    return width() - m_v->width();
}

int FlowCanvas::viewHeight() const
{
    return height() - m_h->height();
}

void FlowCanvas::mouseMoveEvent(QMouseEvent* event)
{
    m_panAt = event->position().toPoint();
}

void FlowCanvas::placeBox(FlowBox* box)
{
    box->move(toWidget(placeOf(box)));
}

void registerFlowCanvas()
{
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
