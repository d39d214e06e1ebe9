#pragma once

// The shell's "open" verb for the documents the dialogs link to. Tests put a recorder in
// its place.

#include <functional>
#include <string>

namespace ui {

// Opens a file with the desktop's program for it; not waited for.
void openDocument(const std::string& path);

// Replaces what openDocument does (an empty function restores the desktop's).
void setOpenDocumentHook(std::function<void(const std::string&)> hook);

} // namespace ui
