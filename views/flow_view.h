#pragma once

// The flow view "WC_VIEW_FLOW": for the page chosen in its page chooser, where the visitors
// of its source stage came from and where they went next, as click paths several steps
// deep. The paths are shown on a scrollable canvas "WC_FLOWVIEW" as movable boxes
// ("WC_FLOWITEM00" ... "WC_FLOWITEM20", by the kind of page they show), each listing the
// branches of one tree node with counts and shares, joined by dotted arrows. A double click
// (or Return) on a row opens the box of that branch.

namespace views {

// Registers "WC_VIEW_FLOW", "WC_FLOWVIEW" and the five box classes (once, at start-up).
void registerFlowView();

} // namespace views
