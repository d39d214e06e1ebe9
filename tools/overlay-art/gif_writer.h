#pragma once

// A GIF89a writer for small pictures of few colours (Qt reads GIF but does not write it).

#include <QByteArray>
#include <QImage>

namespace art {

// The picture as one GIF frame: its colours exactly when there are at most 256 of them,
// else fewer bits per channel until they fit; no transparency.
QByteArray encodeGif(const QImage& image);

} // namespace art
