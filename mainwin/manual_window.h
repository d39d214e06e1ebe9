#pragma once

// The manual in a window of the program's own, for desktops that have no program to show
// HTML files: the embedded browser kept to the manual's folder, with back, forward and the
// start page. Links out of the manual (https) go to the desktop's browser when there is one.

#include <QString>

class QWidget;

namespace mainwin {

// Shows the page (an HTML file of the manual) in the manual window, making it when needed.
void showManualWindow(QWidget* owner, const QString& page);

} // namespace mainwin
