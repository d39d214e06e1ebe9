#pragma once

// The log view "WC_VIEW_LOG": the raw records of the visitors of its source stage, one row
// per request (host, time, request, referer, user agent), narrowed by the page chooser to one
// page or referer. Unresolved hosts blink; weekends are marked; a double click on an outside
// referer opens it.

#include <functional>
#include <string>

class QWidget;

namespace views {

// Registers "WC_VIEW_LOG" (once, at start-up).
void registerLogView();

// How the log view opens an outside address (the desktop's default browser unless a test
// puts in a recorder); the address is CP932 as the store holds it.
void setAddressOpener(std::function<bool(const std::string& url)> opener);

// Opens an outside address with that opener and, when it opened, remembers it as visited;
// when it did not (no browser), says so in a box over owner.
bool openAddress(const std::string& url, QWidget* owner);

} // namespace views
