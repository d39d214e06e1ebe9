#pragma once

// The program's pictures drawn in code: the emblem (a waving flag carrying a bar chart),
// the wizard's watermark, the data-folder dialog's banner and the window icon. The splash
// picture is a stored bitmap (res/splash.bmp, made by tools/splash-art with drawEmblem).

#include <QIcon>
#include <QPixmap>
#include <QRectF>

class QPainter;

namespace ui {

// The emblem fitted into box (best in a square).
void drawEmblem(QPainter& painter, const QRectF& box);

// The pictures are drawn for a device pixel ratio (devices pixels per pixel of the sizes
// below), so that they stay sharp on scaled screens; 0 takes the highest ratio of the
// screens. The pixmaps carry the ratio: they show at the sizes below.
QPixmap wizardWatermark(qreal ratio = 0);        // 164 x 390, first and last wizard pages
QPixmap homeBanner(int width, qreal ratio = 0);  // width x 64, top of the data-folder dialog
QPixmap emblemPixmap(int size, qreal ratio = 0); // size x size, transparent around it
QIcon appIcon();                                 // 16 to 256 pixels

} // namespace ui
