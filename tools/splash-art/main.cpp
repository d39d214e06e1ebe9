// Draws the splash picture of the shared dialogs (dialogs/res/splash.bmp, 24-bit), and the
// same picture drawn at twice the pixels for screens scaled by 2 (splash@2x.bmp beside it).
// Usage: splash-art OUTPUT.bmp   (runs without a display: QT_QPA_PLATFORM=offscreen)

#include "dialogs/artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kBand = 176; // the light band below holds the version line

double traffic(double x)
{
    // A week of visits: daily swell with a rising trend.
    return 0.45 + 0.18 * std::sin(x / 23.0) + 0.08 * std::sin(x / 7.0 + 1.3) + x / 900.0;
}

void drawBackdrop(QPainter& p)
{
    QLinearGradient sky(0, 0, kWidth * 0.35, kBand);
    sky.setColorAt(0.0, QColor(12, 26, 34));
    sky.setColorAt(0.6, QColor(30, 55, 66));
    sky.setColorAt(1.0, QColor(42, 82, 98));
    p.fillRect(QRect(0, 0, kWidth, kBand), sky);

    QRadialGradient glow(QPointF(70, 60), 150);
    glow.setColorAt(0, QColor(255, 170, 70, 46));
    glow.setColorAt(1, QColor(255, 170, 70, 0));
    p.fillRect(QRect(0, 0, kWidth, kBand), glow);

    p.setPen(QPen(QColor(255, 255, 255, 20), 1));
    for (int y = 24; y < kBand; y += 24)
        p.drawLine(0, y, kWidth, y);
    for (int x = 32; x < kWidth; x += 32)
        p.drawLine(x, 0, x, kBand);
}

void drawTraffic(QPainter& p)
{
    QPainterPath line;
    for (int x = 0; x <= kWidth; x += 2) {
        const double y = kBand - 8 - traffic(x) * 60;
        if (x == 0)
            line.moveTo(x, y);
        else
            line.lineTo(x, y);
    }
    QPainterPath area = line;
    area.lineTo(kWidth, kBand);
    area.lineTo(0, kBand);
    area.closeSubpath();
    QLinearGradient fill(0, kBand - 80, 0, kBand);
    fill.setColorAt(0, QColor(100, 215, 220, 110));
    fill.setColorAt(1, QColor(100, 215, 220, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(area);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(130, 235, 238), 2));
    p.drawPath(line);
    p.setPen(Qt::NoPen);
    for (int x = 40; x < kWidth; x += 64) {
        const QPointF dot(x, kBand - 8 - traffic(x) * 60);
        p.setBrush(QColor(130, 235, 238, 70));
        p.drawEllipse(dot, 6, 6);
        p.setBrush(Qt::white);
        p.drawEllipse(dot, 2.5, 2.5);
    }
}

void drawTitle(QPainter& p)
{
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(42);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QPoint(128, 72), QStringLiteral("Vexilo"));
    p.setPen(Qt::white);
    p.drawText(QPoint(126, 70), QStringLiteral("Vexilo"));

    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(11);
    sub.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    p.setFont(sub);
    p.setPen(QColor(190, 222, 230));
    p.drawText(QPoint(128, 90), QStringLiteral("Web Access Log Analyzer"));

    QFont jp(QStringLiteral("Noto Sans CJK JP"));
    jp.setPixelSize(13);
    jp.setBold(true);
    p.setFont(jp);
    p.setPen(QColor(255, 182, 92));
    p.drawText(QPoint(128, 110), QStringLiteral("アクセスログ解析"));
}

void drawBand(QPainter& p)
{
    QLinearGradient band(0, kBand, 0, kHeight);
    band.setColorAt(0, QColor(250, 251, 252));
    band.setColorAt(1, QColor(226, 233, 237));
    p.fillRect(QRect(0, kBand, kWidth, kHeight - kBand), band);
    QLinearGradient accent(0, 0, kWidth, 0);
    accent.setColorAt(0, QColor(255, 166, 48));
    accent.setColorAt(1, QColor(226, 54, 54));
    p.fillRect(QRect(0, kBand, kWidth, 3), accent);

    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(10);
    small.setBold(true);
    p.setFont(small);
    p.setPen(QColor(44, 83, 100));
    p.drawText(QPoint(16, 204), QStringLiteral("ORVANE"));
    small.setBold(false);
    small.setPixelSize(9);
    p.setFont(small);
    p.setPen(QColor(120, 132, 140));
    p.drawText(QPoint(16, 220), QStringLiteral("Copyright (C) Orvane"));
}

// The picture drawn at `scale` device pixels per pixel, saved as `path`.
bool drawPicture(int scale, const QString& path)
{
    QImage image(kWidth * scale, kHeight * scale, QImage::Format_RGB888);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        drawBackdrop(p);
        drawTraffic(p);
        ui::drawEmblem(p, QRectF(16, 14, 104, 104));
        drawTitle(p);
        drawBand(p);
    }
    if (image.save(path, "BMP"))
        return true;
    std::fprintf(stderr, "splash-art: cannot write %s\n", qPrintable(path));
    return false;
}

// The program icon at the sizes desktops ask for: DIR/vexilo-SIZE.png.
int writeIcons(const QString& folder)
{
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        ui::drawEmblem(p, QRectF(0, 0, size, size));
        p.end();
        const QString path = QStringLiteral("%1/vexilo-%2.png").arg(folder).arg(size);
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "splash-art: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--icons")
        return writeIcons(QString::fromLocal8Bit(argv[2]));
    if (argc != 2) {
        std::fputs("usage: splash-art OUTPUT.bmp\n       splash-art --icons FOLDER\n", stderr);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QString doubled = path;
    if (doubled.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive))
        doubled.chop(4);
    doubled += QLatin1String("@2x.bmp");
    return drawPicture(1, path) && drawPicture(2, doubled) ? 0 : 1;
}
