#pragma once

// The HTML report: the pages of the report work folder regenerated from the loaded log.

#include "report/report_state.h"
#include "store/log_container.h"
#include "store/report_generator.h"

#include <string>
#include <string_view>

namespace report {

class HtmlReport : public store::ReportGenerator
{
  public:
    // Fills the marked regions of every "*.html" file directly in folder (symbolic links
    // and subfolders are left alone) and writes the changed files back. Reads and writes
    // nothing outside folder; an empty folder means no report. Failures are not reported:
    // a file that cannot be read or written stays as it was. Returns 0.
    int generate(const std::string& folder, const store::LogContainer& log) override;
};

// The value of a template key for a log (CP932 bytes; unknown keys are empty). The news
// and key-page tables are the two large values; the generator computes them only once.
std::string keyValue(std::string_view key, const store::LogContainer& log,
                     const ReportState& state);

// Makes the loads of containers without a generator of their own write the HTML report.
// The programs call it once at start-up.
void installReportGenerator();

} // namespace report
