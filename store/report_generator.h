#pragma once

// The HTML report is written by the last load step through this interface, so that the
// store does not depend on the report code.

#include <memory>
#include <string>

namespace store {

class LogContainer;

class ReportGenerator
{
  public:
    virtual ~ReportGenerator() = default;
    // Regenerates the report pages in folder from the finished tables (LocalSite, Rec2,
    // Visitors, GroupNames). The result is not examined by the load.
    [[nodiscard]] virtual int generate(const std::string& folder, const LogContainer& log) = 0;
};

// Makes the generator the loads call. The programs install one at start-up (the report library does
// it with report::installReportGenerator); without one those loads write no report.
using ReportGeneratorFactory = std::unique_ptr<ReportGenerator> (*)();
void setReportGeneratorFactory(ReportGeneratorFactory factory);
ReportGeneratorFactory reportGeneratorFactory();

} // namespace store
