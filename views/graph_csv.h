#pragma once

// The graph view's CSV export (command 57604): a header "日付,1. 期間", then per filter
// pane "," + its number label + " " + its title, and ",Rank" when the rank line is shown;
// one line per bucket with its start ("%Y/%m/%d" for day buckets, "%Y/%m/%d %H:%M:%S" for
// hour buckets), the visitors of stage 0 and of each pane (",%d"), and with the rank line
// the average result page (",%f") or a lone "," for a bucket without searches. Fields are
// not quoted; lines end with CR LF; the texts are CP932. The window's export and
// `vexilo-cli graph` both write graphCsv().

#include "views/graph_buckets.h"
#include "views/graph_panes.h"

#include <span>
#include <string>
#include <string_view>

namespace views {

std::string graphCsv(const GraphBuckets& buckets, std::span<const GraphPane> panes, bool rank);

// Writes the export to path, whole or not at all (an existing file stays as it was when
// the write fails). Returns 0 or the error code.
[[nodiscard]] int exportGraphCsv(const std::string& path, std::string_view csv);

// What the user is told when the export fails (a box with this caption).
inline constexpr char kExportGraphCaption[] = "Export graph";
std::string exportGraphFailedText(int error); // "Export graph failed", "", "err=2(0x2)"

} // namespace views
