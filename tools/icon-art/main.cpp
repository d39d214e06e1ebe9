// icon-art: the desktop icons of the programs, drawn from the emblem at every size the icon
// theme asks for. The side programs carry a small badge with their initial.
//
//   icon-art FOLDER      writes FOLDER/hicolor/<n>x<n>/apps/<name>.png

#include "dialogs/artwork.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: icon-art FOLDER\n");
        return 2;
    }
    const struct
    {
        const char* name;
        const char* badge; // "" none
        QColor colour;
    } programs[] = {
        {"vexilo", "", {}},
        {"vexilo-sortwell", "S", QColor(0x8a, 0x4b, 0x0f)},
        {"vexilo-wordlens", "W", QColor(0x1f, 0x6f, 0x3a)},
        {"vexilo-combine", "C", QColor(0x5b, 0x2a, 0x86)},
    };
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder =
            QStringLiteral("%1/hicolor/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder))
            return 1;
        for (const auto& p : programs) {
            QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            ui::drawEmblem(painter, QRectF(0, 0, size, size));
            if (*p.badge && size >= 22) {
                const qreal d = size * 0.46;
                const QRectF circle(size - d - size * 0.02, size - d - size * 0.02, d, d);
                painter.setPen(QPen(Qt::white, std::max(1.0, size / 32.0)));
                painter.setBrush(p.colour);
                painter.drawEllipse(circle);
                QFont font(QStringLiteral("DejaVu Sans"));
                font.setBold(true);
                font.setPixelSize(static_cast<int>(d * 0.62));
                painter.setFont(font);
                painter.setPen(Qt::white);
                painter.drawText(circle, Qt::AlignCenter, QString::fromLatin1(p.badge));
            } else if (*p.badge) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(p.colour);
                painter.drawEllipse(QRectF(size * 0.55, size * 0.55, size * 0.45, size * 0.45));
            }
            painter.end();
            const QString path =
                QStringLiteral("%1/%2.png").arg(folder, QString::fromLatin1(p.name));
            if (!image.save(path)) {
                std::fprintf(stderr, "icon-art: cannot write %s\n", path.toLocal8Bit().constData());
                return 1;
            }
        }
    }
    return 0;
}
