#pragma once

// The window class "WC_GLINTL": the embedded browser as a child window of the program's
// window protocol. Created with the start address as its parameter (const QString*), it
// shows the page, settles the page's load reports into one WBM_NOTIFY (kind 1) 500 ms after
// the last, passes status-text changes on at once (kind 2), goes where WBM_NAVIGATE says,
// and hands a script's window.external.command call to its parent as WBM_COMMAND. Command
// 57604 saves the page (the save dialog first), command 6 shows its markup in a window of
// its own. The window text is the address shown.
//
// Style bits: kGlintExternal gives the top document window.external; kGlintConfined keeps
// the browser to the folder of its start address.

#include <QString>
#include <functional>

class QWidget;

namespace glint {

inline constexpr const char* kHostClassName = "WC_GLINTL";
inline constexpr unsigned kGlintExternal = 1;
inline constexpr unsigned kGlintConfined = 2;
inline constexpr int kCommandSaveAs = 57604;
inline constexpr int kCommandSource = 6;
// The quiet time after the last load report before the owner hears of it.
inline constexpr int kSettleMillis = 500;

// Registers "WC_GLINTL" (once, at start-up).
void registerHostWindow();

// Where the save command asks for a file name (the desktop's save dialog unless a test
// puts in its own; an empty answer cancels). nullptr restores the dialog.
void setSavePathChooser(std::function<QString(QWidget* owner)> chooser);

} // namespace glint
