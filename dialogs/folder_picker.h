#pragma once

// The folder picker behind the "参照(&R)" buttons.

#include <QString>

class QWidget;

namespace ui {

// Asks for a folder, starting at start. An empty result means the user cancelled, or
// picked something that is not a folder (then "Invalid Path" was shown).
QString pickFolder(QWidget* parent, const QString& title, const QString& start);

} // namespace ui
