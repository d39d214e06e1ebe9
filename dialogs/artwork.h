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

QPixmap wizardWatermark();     // 164 x 390, for the first and last wizard pages
QPixmap homeBanner(int width); // width x 64, across the top of the data-folder dialog
QIcon appIcon();

} // namespace ui
