#include "dialogs/smooth_progress_bar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>

namespace ui {

SmoothProgressBar::SmoothProgressBar(int glideMillis, QWidget* parent) : QProgressBar(parent)
{
    m_glide.setDuration(glideMillis);
    m_glide.setEasingCurve(QEasingCurve::Linear);
    connect(&m_glide, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_shown = value.toInt();
        update();
    });
    setTextVisible(true);
    setFormat(QStringLiteral("%p%"));
}

void SmoothProgressBar::glideTo(int position)
{
    position = std::clamp(position, minimum(), maximum());
    setValue(position);
    const bool underway =
        m_glide.state() == QAbstractAnimation::Running && m_glide.endValue().toInt() == position;
    if (underway || position == m_shown)
        return; // a poll that brings nothing new does not restart the glide
    m_glide.stop();
    if (position <= m_shown) {
        m_shown = position;
        update();
        return;
    }
    m_glide.setStartValue(m_shown);
    m_glide.setEndValue(position);
    m_glide.start();
}

void SmoothProgressBar::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    option.progress = std::max(m_shown, minimum());
    const qint64 span = qint64(maximum()) - minimum();
    if (span > 0)
        option.text = QStringLiteral("%1%").arg((qint64(option.progress) - minimum()) * 100 / span);
    painter.drawControl(QStyle::CE_ProgressBar, option);
}

} // namespace ui
