#pragma once

// One look for every program (Vexilo and its side programs): the Fusion style, Noto Sans CJK
// JP as the user-interface font, Qt's own texts in Japanese and the emblem as window icon.
// Called right after the QApplication is made.

#include "dialogs/artwork.h"
#include "dialogs/ui.h"

#include <QApplication>
#include <QFont>

namespace ui {

inline void applyLook()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), font.family()});
    QApplication::setFont(font);
    uiLoadQtTranslations();
    QApplication::setWindowIcon(appIcon());
}

} // namespace ui
