#pragma once

// The report view "WC_VIEW_REPORT" (title "レポート"): the report of the open log, as the last
// load step wrote it into the report work folder, shown in the embedded browser. Its
// openView links rebuild the filter chain, set the period and the graph, or open the
// referer view; a new load reloads the page. The browser keeps to the work folder.
//
// Toolbar 2004: 57601 opens the work folder. Toolbar 2005: 57681 back, 57680 forward,
// 3001 home (the report's index.html).

#include <functional>
#include <string>

namespace report {

inline constexpr const char* kReportViewClassName = "WC_VIEW_REPORT";
inline constexpr int kCommandOpenFolder = 57601;
inline constexpr int kCommandBack = 57681;
inline constexpr int kCommandForward = 57680;
inline constexpr int kCommandHome = 3001;
inline constexpr int kBrowserId = 2000;

// Registers "WC_VIEW_REPORT" and the browser's window class (once, at start-up).
void registerReportView();

// How 57601 opens the work folder (the desktop's file manager unless a test puts in a
// recorder); false when nothing could open it.
void setFolderOpener(std::function<bool(const std::string& folder)> opener);

} // namespace report
