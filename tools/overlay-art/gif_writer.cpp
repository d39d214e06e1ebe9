#include "tools/overlay-art/gif_writer.h"

#include <map>
#include <vector>

namespace art {
namespace {

// LZW codes packed least significant bit first, in sub-blocks of at most 255 bytes.
class BitSink
{
  public:
    void put(int code, int bits)
    {
        m_acc |= static_cast<unsigned long>(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            m_bytes.push_back(static_cast<char>(m_acc & 0xFF));
            m_acc >>= 8;
            m_count -= 8;
        }
    }
    QByteArray blocks()
    {
        if (m_count > 0)
            m_bytes.push_back(static_cast<char>(m_acc & 0xFF));
        QByteArray out;
        for (qsizetype at = 0; at < m_bytes.size(); at += 255) {
            const qsizetype n = std::min<qsizetype>(255, m_bytes.size() - at);
            out.append(static_cast<char>(n));
            out.append(m_bytes.mid(at, n));
        }
        out.append('\0');
        return out;
    }

  private:
    QByteArray m_bytes;
    unsigned long m_acc = 0;
    int m_count = 0;
};

QByteArray lzw(const std::vector<int>& pixels, int minCodeSize)
{
    const int clear = 1 << minCodeSize, end = clear + 1;
    BitSink sink;
    std::map<std::pair<int, int>, int> table;
    int next = end + 1, bits = minCodeSize + 1;
    sink.put(clear, bits);
    int prefix = -1;
    for (const int p : pixels) {
        if (prefix < 0) {
            prefix = p;
            continue;
        }
        const auto it = table.find({prefix, p});
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        sink.put(prefix, bits);
        if (next < 4096) {
            table[{prefix, p}] = next++;
            if (next > (1 << bits) && bits < 12)
                ++bits;
        } else {
            sink.put(clear, bits);
            table.clear();
            next = end + 1;
            bits = minCodeSize + 1;
        }
        prefix = p;
    }
    if (prefix >= 0)
        sink.put(prefix, bits);
    sink.put(end, bits);
    return sink.blocks();
}

void appendWord(QByteArray& out, int value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

} // namespace

QByteArray encodeGif(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::vector<QRgb> palette;
    std::vector<int> pixels;
    for (int drop = 0; drop < 8; ++drop) {
        const QRgb mask = qRgb(0xFF << drop & 0xFF, 0xFF << drop & 0xFF, 0xFF << drop & 0xFF);
        std::map<QRgb, int> index;
        palette.clear();
        pixels.clear();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y) & mask & 0xFFFFFF;
                auto [it, fresh] = index.try_emplace(c, static_cast<int>(palette.size()));
                if (fresh)
                    palette.push_back(c);
                pixels.push_back(it->second);
            }
        if (palette.size() <= 256)
            break;
    }
    int tableBits = 1;
    while ((1u << tableBits) < palette.size())
        ++tableBits;
    QByteArray out("GIF89a");
    appendWord(out, image.width());
    appendWord(out, image.height());
    out.append(static_cast<char>(0x80 | 0x70 | (tableBits - 1))); // global table, 8-bit colour
    out.append('\0');                                             // background
    out.append('\0');                                             // aspect
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c =
            i < static_cast<int>(palette.size()) ? palette[static_cast<std::size_t>(i)] : 0;
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    out.append(',');
    appendWord(out, 0);
    appendWord(out, 0);
    appendWord(out, image.width());
    appendWord(out, image.height());
    out.append('\0');
    const int minCodeSize = std::max(2, tableBits);
    out.append(static_cast<char>(minCodeSize));
    out.append(lzw(pixels, minCodeSize));
    out.append(';');
    return out;
}

} // namespace art
