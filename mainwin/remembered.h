#pragma once

// What the main program remembers between its runs, in the per-user settings: the window's
// size and place, the filter column's width, the graph view's height, the main view and the
// chain of filter panes a new start begins with.

#include <QByteArray>
#include <string>
#include <vector>

namespace mainwin {

struct Remembered
{
    QByteArray geometry;            // QWidget::saveGeometry; empty: the default
    int filterColumnWidth = 0;      // 0: the default
    int graphHeight = 0;            // 0: the default
    std::string mainView;           // a view class; "": the default
    std::vector<std::string> chain; // filter classes; empty: two page panes
};

// What was remembered; a value that is not one the program knows is left at its default.
Remembered readRemembered();
void writeRemembered(const Remembered& remembered);

} // namespace mainwin
