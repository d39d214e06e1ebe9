#include "dialogs/artwork.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cmath>

namespace ui {
namespace {

const QColor kNight(15, 32, 39);
const QColor kDeep(32, 58, 67);
const QColor kTeal(44, 83, 100);
const QColor kFlagLeft(255, 166, 48);
const QColor kFlagRight(226, 54, 54);

// The flag's cloth between x0 and x1: top edge at `top`, `height` high, waving by amp.
QPainterPath cloth(double x0, double x1, double top, double height, double amp)
{
    QPainterPath path;
    const int steps = 32;
    path.moveTo(x0, top);
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        path.lineTo(x0 + (x1 - x0) * t, top + amp * std::sin(t * 2 * M_PI) * t);
    }
    for (int i = steps; i >= 0; --i) {
        const double t = static_cast<double>(i) / steps;
        path.lineTo(x0 + (x1 - x0) * t, top + height + amp * std::sin(t * 2 * M_PI) * t);
    }
    path.closeSubpath();
    return path;
}

// An empty pixmap of `size` pixels for the given ratio (0: the screens' highest).
QPixmap canvas(QSize size, qreal ratio)
{
    if (ratio <= 0)
        ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(qCeil(size.width() * ratio), qCeil(size.height() * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

void fillBackdrop(QPainter& painter, const QRectF& area)
{
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0.0, kNight);
    gradient.setColorAt(0.55, kDeep);
    gradient.setColorAt(1.0, kTeal);
    painter.fillRect(area, gradient);
}

} // namespace

void drawEmblem(QPainter& painter, const QRectF& box)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = std::min(box.width(), box.height());
    const QPointF o(box.center().x() - s / 2, box.center().y() - s / 2);

    // The pole with a round finial.
    const double poleX = o.x() + s * 0.14;
    QLinearGradient pole(poleX - s * 0.03, 0, poleX + s * 0.03, 0);
    pole.setColorAt(0, QColor(200, 208, 214));
    pole.setColorAt(1, QColor(120, 130, 138));
    painter.setPen(Qt::NoPen);
    painter.setBrush(pole);
    painter.drawRoundedRect(QRectF(poleX - s * 0.025, o.y() + s * 0.08, s * 0.05, s * 0.88),
                            s * 0.02, s * 0.02);
    painter.setBrush(QColor(235, 238, 240));
    painter.drawEllipse(QPointF(poleX, o.y() + s * 0.08), s * 0.05, s * 0.05);

    // The cloth, with a soft shadow first.
    const double x0 = poleX + s * 0.02, x1 = o.x() + s * 0.96;
    const double top = o.y() + s * 0.14, height = s * 0.48, amp = s * 0.06;
    painter.setBrush(QColor(0, 0, 0, 60));
    painter.drawPath(cloth(x0 + s * 0.02, x1 + s * 0.02, top + s * 0.03, height, amp));
    QLinearGradient fill(x0, top, x1, top + height);
    fill.setColorAt(0, kFlagLeft);
    fill.setColorAt(1, kFlagRight);
    painter.setBrush(fill);
    const QPainterPath flag = cloth(x0, x1, top, height, amp);
    painter.drawPath(flag);

    // A rising bar chart on the cloth.
    painter.setClipPath(flag);
    const double bars[] = {0.30, 0.48, 0.40, 0.66, 0.86};
    const double slot = (x1 - x0 - s * 0.10) / 5;
    for (int i = 0; i < 5; ++i) {
        const double t = (x0 + s * 0.06 + slot * i + slot * 0.5 - x0) / (x1 - x0);
        const double wave = amp * std::sin(t * 2 * M_PI) * t;
        const double h = height * 0.78 * bars[i];
        const double bottom = top + height * 0.90 + wave;
        painter.setBrush(QColor(255, 255, 255, 215));
        painter.drawRoundedRect(QRectF(x0 + s * 0.06 + slot * i, bottom - h, slot * 0.62, h),
                                s * 0.012, s * 0.012);
    }
    painter.restore();
}

QPixmap wizardWatermark(qreal ratio)
{
    QPixmap pixmap = canvas(QSize(164, 390), ratio);
    QPainter painter(&pixmap);
    fillBackdrop(painter, QRectF(0, 0, 164, 390));
    painter.setRenderHint(QPainter::Antialiasing);
    // Faint chart lines and a traffic curve along the bottom.
    painter.setPen(QPen(QColor(255, 255, 255, 28), 1));
    for (int y = 150; y < 390; y += 24)
        painter.drawLine(0, y, 164, y);
    QPainterPath curve;
    curve.moveTo(0, 340);
    for (int x = 0; x <= 164; x += 4)
        curve.lineTo(x, 330 - 34 * std::sin(x / 30.0) * std::exp(-x / 260.0) - x * 0.35);
    QPainterPath area = curve;
    area.lineTo(164, 390);
    area.lineTo(0, 390);
    area.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 200, 210, 60));
    painter.drawPath(area);
    painter.setPen(QPen(QColor(120, 225, 230), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(curve);
    drawEmblem(painter, QRectF(22, 28, 120, 120));
    QFont title(QStringLiteral("DejaVu Sans"), 19, QFont::Bold);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 160, 164, 32), Qt::AlignHCenter, QStringLiteral("Vexilo"));
    QFont small(QStringLiteral("DejaVu Sans"), 8);
    painter.setFont(small);
    painter.setPen(QColor(190, 220, 228));
    painter.drawText(QRectF(0, 192, 164, 20), Qt::AlignHCenter, QStringLiteral("Sievra Wizard"));
    return pixmap;
}

QPixmap homeBanner(int width, qreal ratio)
{
    width = std::max(width, 64);
    QPixmap pixmap = canvas(QSize(width, 64), ratio);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, kNight);
    gradient.setColorAt(1, kTeal);
    painter.fillRect(QRectF(0, 0, width, 64), gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 166, 48), 2));
    painter.drawLine(QPointF(0, 63), QPointF(width, 63));
    drawEmblem(painter, QRectF(10, 6, 52, 52));
    QFont title(QStringLiteral("DejaVu Sans"), 16, QFont::Bold);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(72, 8, width - 80, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Vexilo"));
    QFont small(QStringLiteral("DejaVu Sans"), 8);
    painter.setFont(small);
    painter.setPen(QColor(190, 220, 228));
    painter.drawText(QRectF(72, 36, width - 80, 18), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Home Folder"));
    return pixmap;
}

QPixmap emblemPixmap(int size, qreal ratio)
{
    QPixmap pixmap = canvas(QSize(size, size), ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawEmblem(painter, QRectF(0, 0, size, size));
    return pixmap;
}

QIcon appIcon()
{
    // Every size drawn for itself: the icon picks the nearest for any scale.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(emblemPixmap(size, 1.0));
    return icon;
}

} // namespace ui
