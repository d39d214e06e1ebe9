#include "dialogs/hyperlink.h"

#include <QMouseEvent>
#include <QPainter>

namespace ui {

HyperLink::HyperLink(int id, const QString& text, QWidget* parent)
    : QWidget(parent), m_id(id), m_text(text)
{
    setObjectName(QString::number(id));
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

QSize HyperLink::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 4, metrics.height() + 2};
}

void HyperLink::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(m_hot ? QColor(255, 0, 0) : QColor(0, 0, 255));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, m_text);
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
