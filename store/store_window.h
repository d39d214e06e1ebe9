#pragma once

// The store window "WC_LOGCONTAINER" (id 2009, invisible, a child of the main window): it
// opens an analysed log (the load runs on the Loading dialog's worker), answers the panes'
// queries, saves the log under another name, reloads when the site's URL-group file
// changes (keeping every pane's state) and deletes a temporary log when it goes.
//
// Commands (lParam: a native path, const char*): 57600 open as a temporary log (deleted
// when the store closes), 57601 open, 57603 save as. Queries answer 0 while a load runs.

#include "dialogs/ui.h"
#include "store/chain_states.h"

#include <QWidget>
#include <vector>

namespace store {

inline constexpr char kStoreWindowClass[] = "WC_LOGCONTAINER";
inline constexpr int kOpenTemporary = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kSaveAs = 57603;
inline constexpr int kGroupWatchTimer = 130;
inline constexpr char kHostCacheClass[] = "WC_DNS";

// Registers the class (the program calls this once at start-up).
void registerStoreWindow();

// The states of the main window's panes, by id, with their classes: the period pane, then the
// filter panes and the view panes in id order (what a reload keeps, and what is kept for a
// log when it closes).
std::vector<SavedPane> collectPaneStates(QWidget* main);
// Hands each pane of the main window its state, in the same order (panes without one get an
// empty state), then refreshes the views.
void restorePaneStates(QWidget* main, const std::vector<SavedPane>& states);

} // namespace store
