// overlay-art: the page overlay's pictures, drawn at twice their size in page pixels (the
// overlay's markup gives each its size in page pixels, so they stay sharp on screens at 2x
// and are halved cleanly at 1x). Each picture is read back and compared with what was
// drawn before it is written.
//
//   overlay-art FOLDER      writes n0.gif ... n9.gif, nd.gif, np.gif, nb.gif, b00.gif ... b32.gif

#include "tools/overlay-art/gif_writer.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

constexpr int kScale = 2;
constexpr int kNumberHeight = 9; // page pixels
const QColor kBadge(0x1d, 0x35, 0x57);
const QColor kInk(0xff, 0xff, 0xff);
const QColor kTrack(0xe4, 0xe8, 0xef);
const QColor kTrackEdge(0x9a, 0xa5, 0xb5);
const QColor kFill(0xf0, 0x86, 0x1e);

QImage canvas(int width, int height, const QColor& fill)
{
    QImage image(width * kScale, height * kScale, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QImage glyph(const QString& text, int width)
{
    QImage image = canvas(width, kNumberHeight, kBadge);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(text == QLatin1String("%") ? 13 : 15);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRect(0, 0, image.width(), image.height()), Qt::AlignCenter, text);
    return image;
}

QImage point()
{
    QImage image = canvas(2, kNumberHeight, kBadge);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QRectF(0.6, 12.4, 2.8, 2.8));
    return image;
}

// The bar: a track of 33 page pixels with `index` thirty-seconds of it filled.
QImage bar(int index)
{
    QImage image = canvas(33, 4, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0.5, 0.5, image.width() - 1.0, image.height() - 1.0);
    p.setPen(QPen(kTrackEdge, 1));
    p.setBrush(kTrack);
    p.drawRoundedRect(track, 2, 2);
    if (index > 0) {
        const double w = (image.width() - 2.0) * index / 32.0;
        p.setPen(Qt::NoPen);
        p.setBrush(kFill);
        p.drawRoundedRect(QRectF(1, 1, std::max(w, 3.0), image.height() - 2.0), 1.5, 1.5);
    }
    return image;
}

bool write(const QString& folder, const QString& name, const QImage& image)
{
    const QByteArray gif = art::encodeGif(image);
    QBuffer buffer;
    buffer.setData(gif);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
    if (back.size() != image.size()) {
        std::fprintf(stderr, "overlay-art: %s does not read back\n", qPrintable(name));
        return false;
    }
    int off = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = image.pixel(x, y), b = back.pixel(x, y);
            off = std::max({off, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                            std::abs(qBlue(a) - qBlue(b))});
        }
    if (off > 8) {
        std::fprintf(stderr, "overlay-art: %s reads back with colours %d off\n", qPrintable(name),
                     off);
        return false;
    }
    QFile file(folder + QLatin1Char('/') + name);
    return file.open(QIODevice::WriteOnly) && file.write(gif) == gif.size();
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: overlay-art FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    for (int d = 0; d <= 9; ++d)
        ok = write(folder, QStringLiteral("n%1.gif").arg(d), glyph(QString::number(d), 5)) && ok;
    ok = write(folder, QStringLiteral("nd.gif"), point()) && ok;
    ok = write(folder, QStringLiteral("np.gif"), glyph(QStringLiteral("%"), 7)) && ok;
    ok = write(folder, QStringLiteral("nb.gif"), canvas(2, kNumberHeight, kBadge)) && ok;
    for (int k = 0; k <= 32; ++k)
        ok = write(folder, QStringLiteral("b%1.gif").arg(k, 2, 10, QLatin1Char('0')), bar(k)) && ok;
    return ok ? 0 : 1;
}
