#pragma once

// The filter panes "WC_FILTER_REQ" ... "WC_FILTER_DOMAIN" (one window class per kind, one
// handler for all: the kind's computation is filters::PaneModel) and the period pane
// "WC_FILTER_TIMERANGE". They speak the chain's protocol: command 40001 with dwUpdated,
// the 1 ms selection timer, UM_GETPATHSET, UM_DESCRIBE, UM_GETRANKSERIES, the pane states
// and the buttons of their toolbars.

#include <functional>
#include <string>

class QWidget;

namespace filters {

// Registers the fourteen filter classes and the period class (once, at start-up).
void registerFilterWindows();

// Where a list's export goes (a native path, "" to cancel): the save dialog, unless a test
// puts in another chooser.
void setExportPathChooser(std::function<std::string(QWidget* owner)> chooser);

// Asks where an export goes through the chooser above; "" when the user cancels.
std::string chooseExportPath(QWidget* owner);

} // namespace filters
