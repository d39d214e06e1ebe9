#include "report/report_state.h"

#include <algorithm>
#include <vector>

namespace report {

ReportState computeReportState(const store::LogContainer& log)
{
    ReportState state;
    state.records = static_cast<std::uint32_t>(log.Rec2.size());
    state.visitors = static_cast<std::uint32_t>(log.Visitors.size());
    if (log.Visitors.empty())
        return state;

    std::uint32_t earliest = UINT32_MAX, latest = 0;
    std::vector<const char*> names; // the distinct names of one visitor
    for (const store::VisitorEntry& v : log.Visitors) {
        earliest = std::min(earliest, v.first->time);
        latest = std::max(latest, v.first->time);
        names.clear();
        for (const store::LogRecord* r = v.first; r != v.first + v.count; ++r) {
            const store::Fragment& f = *r->fragment;
            if (f.req->group)
                names.push_back(f.req->group);
            if (f.ref->group && f.ref->group[0] == 'h')
                names.push_back(f.ref->group);
            if (f.ref->text && f.ref->text[0] == 'h')
                names.push_back(f.ref->text);
        }
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        for (const char* name : names)
            ++state.visitorCounts[name];
    }
    state.begin = dayStart(earliest);
    state.end = dayStart(latest) + kDay;
    return state;
}

} // namespace report
