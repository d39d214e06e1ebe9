#include "views/flow_box.h"

#include "filters/pane_frame.h"
#include "platform/codepage.h"
#include "toolkit/qt_glue.h"
#include "views/chooser_control.h"
#include "views/flow_canvas.h"
#include "views/flow_chooser.h"
#include "views/flow_layout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace views {

using namespace toolkit;

namespace {

constexpr char kNoRefererText[] = "no referer";

} // namespace

QString flowKeyText(const FlowNode& node)
{
    if (!node.key)
        return QString::fromLatin1(kNoRefererText);
    return isCompletion(node) ? QString::fromLatin1(node.key) : fromCp932(node.key);
}

QFont flowRowFont()
{
    QFont f = QApplication::font();
    f.setPixelSize(11);
    return f;
}

FlowBox::FlowBox(QWidget* parent) : Window(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    resize(kFlowBoxWidth, kFlowCaption);
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
    return node ? flowKeyText(*node) : QString();
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
        key = flowKeyText(node);
    }
    return QString::number(node.count) + QLatin1Char('\t') +
           QString::fromStdString(shareText(node)) + QLatin1Char('\t') + key;
}

int FlowBox::listTop(Side side) const
{
    return side == Prev ? kFlowCaption : kFlowCaption + listHeight(Prev);
}

int FlowBox::listHeight(Side side) const
{
    return m_rows[side] ? m_rows[side] * kFlowRowHeight + kFlowListFrame + kFlowGrip : 0;
}

QRect FlowBox::rowRect(Side side, int row) const
{
    const int shown = row - m_scroll[side];
    if (shown < 0 || shown >= m_rows[side])
        return {};
    return QRect(1, listTop(side) + kFlowListFrame / 2 + shown * kFlowRowHeight, width() - 2,
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
    resize(kFlowBoxWidth, kFlowCaption + listHeight(Prev) + listHeight(Next) + 1);
    update();
    if (FlowCanvas* c = canvas())
        c->update();
}

FlowBox::Hit FlowBox::hitTest(const QPoint& pos) const
{
    Hit hit;
    if (pos.y() < kFlowCaption) {
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
        if (pos.y() >= bottom - kFlowGrip) {
            hit.part = Hit::Grip;
            return hit;
        }
        const int row = m_scroll[side] + (pos.y() - top - kFlowListFrame / 2) / kFlowRowHeight;
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
        FlowBoxPlan plan = expandedFlowBox(node, side == Prev, place.x(), place.y() + r.top());
        // Beside its row, but never over another box: the nearest free place in the column.
        const FlowBoxMetrics metrics{kFlowCaption, kFlowListFrame + kFlowGrip};
        std::vector<FlowRect> taken;
        for (FlowBox* other : c->boxes()) {
            const QPoint at = c->placeOf(other);
            taken.push_back({at.x(), at.y(), other->width(), other->height()});
        }
        plan.y = freeFlowTop(plan.x, plan.y, kFlowBoxWidth, flowBoxHeight(plan, metrics), taken);
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
    band.addRoundedRect(QRectF(frame.left(), frame.top(), frame.width(), kFlowCaption + 6), 5, 5);
    QLinearGradient shade(0, 0, 0, kFlowCaption);
    // The focused box's caption: a pale wash of its kind's colour, so the title stays dark on
    // light.
    const auto wash = [](int channel) { return (channel * 18 + 255 * 82) / 100; };
    const QColor tint = focused
                            ? QColor(wash(accent.red()), wash(accent.green()), wash(accent.blue()))
                            : QColor(236, 239, 243);
    shade.setColorAt(0, tint.lighter(106));
    shade.setColorAt(1, tint);
    p.save();
    p.setClipRect(QRectF(0, 0, width(), kFlowCaption));
    p.fillPath(band, shade);
    p.restore();
    p.setPen(QPen(focused ? accent : QColor(176, 182, 192), focused ? 1.5 : 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    p.setPen(QColor(214, 218, 224));
    p.drawLine(QPointF(1, kFlowCaption - 0.5), QPointF(width() - 1, kFlowCaption - 0.5));

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
    const QRect text(23, 0, pathButton().left() - 27, kFlowCaption);
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

    p.setFont(flowRowFont());
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
        p.setFont(flowRowFont());
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
    const int gy = top + listHeight(side) - kFlowGrip / 2 - 1;
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

} // namespace views
