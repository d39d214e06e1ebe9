#include "dialogs/hyperlink.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace ui {

HyperLink::HyperLink(int id, const QString& text, QWidget* parent)
    : QWidget(parent), m_id(id), m_text(text)
{
    setObjectName(QString::number(id));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(text);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

QSize HyperLink::sizeHint() const
{
    // Room around the text for the focus frame.
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 8, metrics.height() + 6};
}

void HyperLink::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(m_hot ? QColor(255, 0, 0) : QColor(0, 0, 255));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, m_text);
    if (hasFocus()) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
}

void HyperLink::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        if (!event->isAutoRepeat())
            emit clicked(m_id);
        event->accept(); // Enter here is not the dialog's default button
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void HyperLink::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void HyperLink::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void HyperLink::enterEvent(QEnterEvent* event)
{
    m_hot = true;
    update();
    QWidget::enterEvent(event);
}

void HyperLink::leaveEvent(QEvent* event)
{
    m_hot = false;
    update();
    QWidget::leaveEvent(event);
}

void HyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(m_id);
    QWidget::mouseReleaseEvent(event);
}

} // namespace ui
