#pragma once

// The shell's "open" verb for the documents the dialogs link to. Tests put a recorder in
// its place.

#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace ui {

// Opens a file with the desktop's program for it; not waited for. false when the desktop
// has no program for it.
bool openDocument(const std::string& path);

// Opens a page of the manual, named relative to the program folder
// ("./manual/analyze.html"). When the page is not installed, or nothing can show it, a
// message box over parent says so.
void openManualPage(QWidget* parent, std::string_view relative);

// Replaces what openDocument does (an empty function restores the desktop's).
void setOpenDocumentHook(std::function<void(const std::string&)> hook);

} // namespace ui
