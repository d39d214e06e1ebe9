#pragma once

// The two tables of the report: outside referers whose traffic spiked ("news") and the key
// pages seen by at least 5 % of all visitors. Rows come as data and as the table-body HTML
// the pages show; the links of a row rebuild the filter chain in the report view.

#include "report/report_state.h"
#include "store/log_container.h"

#include <cstdint>
#include <string>
#include <vector>

namespace report {

struct NewsRow
{
    const char* name;       // URL-group name of an outside referer (dictionary text)
    std::uint32_t visitors; // its visitor count in the report state
    float score;            // how far its best day stands out, higher first
    std::int64_t peakDay;   // day start of its best day (local standard seconds)
    bool recent;            // a real spike (weight >= 4) within the last seven days
};

struct KeyPageRow
{
    const char* name;       // URL-group name of a page (dictionary text)
    std::uint32_t visitors; // visitors that saw it
};

// Referers with at least 10 visitors on their best day, by score, highest first (equal
// scores in dictionary order).
std::vector<NewsRow> newsRows(const store::LogContainer& log, const ReportState& state);

// Pages seen by at least 5 % of all visitors, by visitor count, highest first (equal
// counts in dictionary order).
std::vector<KeyPageRow> keyPageRows(const store::LogContainer& log, const ReportState& state);

// The <tr> rows of the tables, each ended by CR LF; key references as "0x%X".
std::string newsTableBody(const store::LogContainer& log, const std::vector<NewsRow>& rows);
std::string keyPageTableBody(const store::LogContainer& log, const ReportState& state,
                             const std::vector<KeyPageRow>& rows);

} // namespace report
