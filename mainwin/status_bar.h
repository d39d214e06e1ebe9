#pragma once

// The main window's status bar (id 2003): three parts, all drawn here. Part 0 shows the
// host-name lookups (a lamp, bright while lookups run, and the text of the host-name
// cache window after "DNS "), part 1 the main view's status text, part 2 only its
// background. Parts end at x 140, width - 200 and width.

#include "toolkit/window.h"

namespace mainwin {

void registerStatusBar();

// The right edges of the three parts for a bar `width` pixels wide.
struct StatusParts
{
    int ends[3];
};
StatusParts statusParts(int width);

// Part 0's text for the host-name cache window's text: its first character is the busy
// mark ("*" while lookups run) and becomes "DNS ".
QString hostPartText(const QString& cacheText, bool* busy);

} // namespace mainwin
