#include "filters/pane_frame.h"

#include "filters/chain.h"
#include "filters/kinds.h"
#include "platform/trace.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"

#include <QApplication>
#include <QLayout>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <algorithm>

namespace filters {
namespace {

using namespace toolkit;

constexpr int kSwatchLeft = 4;
constexpr int kSwatchSize = 10;
constexpr int kLabelLeft = 18;
constexpr int kLabelWidth = 22;

// The width a pane toolbar needs for all its buttons, from the buttons themselves (the
// toolbar's own hint lags behind their final style).

} // namespace

PaneFrame::PaneFrame(QWidget* parent) : Window(parent)
{
    m_titleButton = new QToolButton(this);
    m_titleButton->setObjectName(QString::number(kTitleButtonId));
    m_titleButton->setAutoRaise(true);
    m_titleButton->setToolTip(QStringLiteral("表示の切り替え"));
    m_titleButton->setFocusPolicy(Qt::TabFocus);
    connect(m_titleButton, &QToolButton::clicked, this, [this] { command(this, kTitleButtonId); });
    setMinimumHeight(kPaneMinimumHeight);
}

PaneFrame::~PaneFrame()
{
    sendDestroy();
}

void PaneFrame::setStage(int stage)
{
    m_stage = stage;
    update();
}

void PaneFrame::setLabel(const QString& label)
{
    m_label = label;
    setWindowTitle(label);
    update();
}

void PaneFrame::setTitle(const QString& title, bool opensMenu)
{
    m_title = opensMenu ? title + QStringLiteral(" ▾") : title;
    m_titleButton->setText(m_title);
    m_titleButton->setToolTip(opensMenu ? QStringLiteral("%1 - 表示の切り替え").arg(title) : title);
    layOut();
}

Window* PaneFrame::addToolbar(int id, const std::vector<PaneButton>& buttons)
{
    Window* bar =
        toolkit::create(kToolbarClass, this, id, QRect(0, 0, 10, kTitleBarHeight - 2), nullptr,
                        WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | TBSTYLE_LIST);
    if (!bar)
        return nullptr;
    send(bar, TB_SETBITMAPSIZE, 0, makeLParam(14, 14));
    QPixmap strip = toolkit::blankPixmap(QSize(14 * static_cast<int>(buttons.size()), 14));
    {
        QPainter p(&strip);
        for (std::size_t i = 0; i < buttons.size(); ++i)
            p.drawPixmap(
                QPointF(14.0 * static_cast<double>(i), 0),
                paneButtonImage(buttons[i].picture ? buttons[i].picture : buttons[i].command));
    }
    const int first =
        static_cast<int>(send(bar, TB_ADDBITMAP, buttons.size(), reinterpret_cast<LParam>(&strip)));
    std::vector<TbButton> tb;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        TbButton b;
        b.command = buttons[i].command;
        b.image = buttons[i].text.isEmpty() ? first + static_cast<int>(i) : -1;
        b.style = static_cast<unsigned char>((buttons[i].check ? BTNS_CHECK : BTNS_BUTTON) |
                                             (buttons[i].dropDown ? BTNS_DROPDOWN : 0) |
                                             (buttons[i].text.isEmpty() ? 0 : BTNS_SHOWTEXT) |
                                             BTNS_AUTOSIZE);
        b.text = buttons[i].text;
        tb.push_back(b);
    }
    send(bar, TB_ADDBUTTONS, tb.size(), reinterpret_cast<LParam>(tb.data()));
    // Buttons packed tight: a narrow filter column holds the title and every button.
    if (auto* inner = static_cast<ToolbarWrapper*>(bar)->inner()) {
        inner->layout()->setSpacing(0);
        inner->layout()->setContentsMargins(0, 0, 0, 0);
    }
    m_toolbars.push_back(bar);
    layOut();
    return bar;
}

void PaneFrame::setContent(QWidget* content)
{
    m_content = content;
    if (auto* window = qobject_cast<Window*>(content))
        window->setId(kContentId);
    layOut();
}

void PaneFrame::layOut()
{
    // The title comes first: the toolbars hide buttons in their overflow menus before the
    // title gives up a character; only a pane too narrow for the title and an overflow
    // button each elides the title (the whole title stays in its tooltip).
    constexpr int kOverflowWidth = 24;
    const int titleLeft = kLabelLeft + kLabelWidth;
    std::vector<int> wanted;
    for (Window* bar : m_toolbars)
        wanted.push_back(idealToolbarWidth(bar));
    const int leastToolbars = static_cast<int>(m_toolbars.size()) * (kOverflowWidth + 2);
    // The width the whole title wants (the button may show an elided text from a narrower
    // layout before).
    m_titleButton->setText(m_title);
    const int titleWanted = m_titleButton->sizeHint().width();
    const int titleWidth =
        std::clamp(width() - 2 - leastToolbars - titleLeft, std::min(48, titleWanted), titleWanted);
    m_titleButton->setGeometry(titleLeft, 1, titleWidth, kTitleBarHeight - 2);
    const QFontMetrics metrics(m_titleButton->font());
    m_titleButton->setText(metrics.elidedText(m_title, Qt::ElideRight, titleWidth - 10));
    int right = width() - 2;
    const int leftmost = titleLeft + titleWidth + 2;
    for (std::size_t i = 0; i < m_toolbars.size(); ++i) {
        Window* bar = m_toolbars[i];
        const int w = std::max(0, std::min(wanted[i], right - leftmost));
        setWindowPos(bar, QRect(right - w, 1, w, kTitleBarHeight - 2));
        bar->setVisible(w > 0);
        right -= w + 2;
    }
    if (m_titleField) {
        constexpr int kLeastField = 80;
        const int w = right - leftmost - 4;
        m_titleField->setVisible(w >= kLeastField);
        if (w >= kLeastField) {
            QRect place(leftmost + 4, 1, w, kTitleBarHeight - 2);
            if (auto* window = qobject_cast<Window*>(m_titleField)) {
                // A combo box is placed with the height of its list, which it keeps.
                QRect dropped;
                if (window->className() == kComboBoxClass &&
                    send(window, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LParam>(&dropped)) &&
                    dropped.height() > place.height())
                    place.setHeight(dropped.height());
                setWindowPos(window, place);
            } else
                m_titleField->setGeometry(place);
        }
    }
    if (m_content)
        m_content->setGeometry(0, kTitleBarHeight, width(),
                               std::max(0, height() - kTitleBarHeight));
}

void PaneFrame::setTitleField(QWidget* field)
{
    m_titleField = field;
    layOut();
}

void PaneFrame::resizeEvent(QResizeEvent* event)
{
    Window::resizeEvent(event);
    layOut();
}

void PaneFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor face = palette().color(QPalette::Button);
    QLinearGradient band(0, 0, 0, kTitleBarHeight);
    band.setColorAt(0, face.lighter(112));
    band.setColorAt(1, face.darker(108));
    p.fillRect(QRect(0, 0, width(), kTitleBarHeight), band);
    p.setPen(face.darker(135));
    p.drawLine(0, kTitleBarHeight - 1, width(), kTitleBarHeight - 1);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_stage >= 0)
        drawStageSwatch(
            p, QRectF(kSwatchLeft, (kTitleBarHeight - kSwatchSize) / 2.0, kSwatchSize, kSwatchSize),
            m_stage);
    const QRect label(kLabelLeft, 0, kLabelWidth, kTitleBarHeight);
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::white);
    p.drawText(label.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, m_label);
    p.setPen(Qt::black);
    p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, m_label);
}

bool PaneFrame::inDragArea(const QPoint& pos) const
{
    return m_draggable && pos.y() < kTitleBarHeight;
}

void PaneFrame::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !inDragArea(event->position().toPoint())) {
        Window::mousePressEvent(event);
        return;
    }
    Window* before = child(parentWidget(), id() - 1);
    if (!before)
        return;
    // Both panes keep their title bar and a few rows.
    m_yMin = before->y() + kPaneUsableHeight;
    m_yMax = geometry().bottom() + 1 - kPaneUsableHeight;
    platform::trace("yMin=%d yMax=%d", m_yMin, m_yMax);
    // Measured on the screen: the pane moves under the pointer while it is dragged.
    m_grabY = qRound(event->globalPosition().y());
    m_startTop = y();
    m_dragging = true;
    event->accept();
}

void PaneFrame::mouseMoveEvent(QMouseEvent* event)
{
    if (m_draggable)
        setCursor(event->position().y() < kTitleBarHeight ? Qt::SizeVerCursor : Qt::ArrowCursor);
    if (!m_dragging) {
        Window::mouseMoveEvent(event);
        return;
    }
    dragBorderTo(m_startTop + qRound(event->globalPosition().y()) - m_grabY);
}

void PaneFrame::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        Window::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    dragBorderTo(m_startTop + qRound(event->globalPosition().y()) - m_grabY);
}

void PaneFrame::dragBorderTo(int y)
{
    Window* before = child(parentWidget(), id() - 1);
    if (!before || m_yMax < m_yMin)
        return;
    const int top = std::clamp(y, m_yMin, m_yMax);
    const int bottom = geometry().bottom() + 1;
    setWindowPos(before, QRect(before->x(), before->y(), before->width(), top - before->y()));
    setWindowPos(this, QRect(x(), top, width(), bottom - top));
}

QColor fromBgr(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

void drawStageSwatch(QPainter& painter, const QRectF& box, int stage)
{
    const QColor colour = fromBgr(stageColour(stage));
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, colour.lighter(150));
    g.setColorAt(1, colour);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(130));
    painter.setBrush(g);
    painter.drawRoundedRect(box, 2.5, 2.5);
    painter.restore();
}

QPixmap paneButtonImage(int command)
{
    QPixmap pixmap = toolkit::blankPixmap(QSize(14, 14));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(50, 60, 75);
    QPen pen(ink, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    switch (command) {
    case kCommandBypass: { // a line that jumps over a box
        p.drawRect(QRectF(4.5, 7.5, 5, 4));
        QPainterPath hop(QPointF(1, 9.5));
        hop.cubicTo(QPointF(3, 1), QPointF(11, 1), QPointF(13, 9.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(hop);
        break;
    }
    case kCommandPercent: {
        QFont f = QApplication::font();
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 14, 14), Qt::AlignCenter, QStringLiteral("%"));
        break;
    }
    case kCommandExport: // an arrow out of a tray
        p.drawPolyline(
            QPolygonF({QPointF(2, 8), QPointF(2, 12.5), QPointF(12, 12.5), QPointF(12, 8)}));
        p.drawLine(QPointF(7, 1.5), QPointF(7, 9.5));
        p.drawPolyline(QPolygonF({QPointF(4, 4.5), QPointF(7, 1.5), QPointF(10, 4.5)}));
        break;
    case kCommandDescribe: // "i" in a circle
        p.drawEllipse(QRectF(1.5, 1.5, 11, 11));
        p.drawPoint(QPointF(7, 4.5));
        p.drawLine(QPointF(7, 6.5), QPointF(7, 10));
        break;
    case kCommandUp:
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({QPointF(7, 3), QPointF(12, 10), QPointF(2, 10)}));
        break;
    case kCommandDown:
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({QPointF(2, 4), QPointF(12, 4), QPointF(7, 11)}));
        break;
    case kCommandClose:
        p.drawLine(QPointF(3.5, 3.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 3.5), QPointF(3.5, 10.5));
        break;
    case kCommandGroup: // stacked pages
        p.setBrush(QColor(235, 240, 248));
        p.drawRect(QRectF(4.5, 1.5, 8, 7));
        p.drawRect(QRectF(1.5, 5.5, 8, 7));
        break;
    case kCommandPath: // two linked rings
        p.drawEllipse(QRectF(1.5, 4.5, 6, 5));
        p.drawEllipse(QRectF(6.5, 4.5, 6, 5));
        break;
    case kPictureFolder:
        p.setBrush(QColor(250, 224, 150));
        p.drawPolygon(QPolygonF({QPointF(1.5, 3), QPointF(5.5, 3), QPointF(7, 4.5),
                                 QPointF(12.5, 4.5), QPointF(12.5, 11.5), QPointF(1.5, 11.5)}));
        break;
    case kPictureBack:
    case kPictureForward: {
        const double s = command == kPictureBack ? 1 : -1; // mirrored for forward
        const auto at = [s](double x, double y) { return QPointF(7 + s * (x - 7), y); };
        p.drawLine(at(2.5, 7), at(12, 7));
        p.drawPolyline(QPolygonF({at(6.5, 2.5), at(2, 7), at(6.5, 11.5)}));
        break;
    }
    case kPictureLoupe: // a magnifying glass
        p.drawEllipse(QRectF(1.5, 1.5, 8, 8));
        p.drawLine(QPointF(8.5, 8.5), QPointF(12.5, 12.5));
        break;
    case kPictureReload: { // a circling arrow
        p.drawArc(QRectF(2, 2, 10, 10), 60 * 16, 280 * 16);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF({QPointF(9.3, 0.8), QPointF(12.6, 3.6), QPointF(8.6, 4.8)}));
        break;
    }
    case kPictureHome:
        p.drawPolyline(QPolygonF({QPointF(1.5, 7), QPointF(7, 2), QPointF(12.5, 7)}));
        p.drawPolyline(
            QPolygonF({QPointF(3.5, 6), QPointF(3.5, 12), QPointF(10.5, 12), QPointF(10.5, 6)}));
        p.drawRect(QRectF(6, 8.5, 2, 3.5));
        break;
    default:
        p.drawEllipse(QRectF(4, 4, 6, 6));
        break;
    }
    return pixmap;
}

} // namespace filters
