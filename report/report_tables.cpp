#include "report/report_tables.h"

#include "report/markup.h"
#include "store/key_reference.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <unordered_set>
#include <utility>

namespace report {
namespace {

constexpr std::uint32_t kLeastPeak = 10;       // visitors on the best day to make news
constexpr float kSpikeWeight = 4.0f;           // best day's share over the mean share
constexpr std::int64_t kRecentSpan = 7 * kDay; // "the last seven days", end exclusive

void appendKey(std::string& out, const store::LogContainer& log, const char* name)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", store::keyReference(log, name));
    out += text;
}

} // namespace

std::vector<NewsRow> newsRows(const store::LogContainer& log, const ReportState& state)
{
    std::vector<NewsRow> rows;
    const std::uint32_t days = state.days();
    if (days == 0)
        return rows;
    // Visitors per day, and one (referer group, day) pair per visitor that came from it.
    std::vector<std::uint32_t> daily(days);
    std::vector<std::pair<const char*, std::uint32_t>> visits;
    std::vector<const char*> names;
    for (const store::VisitorEntry& v : log.Visitors) {
        const auto day = static_cast<std::uint32_t>((v.first->time - state.begin) / kDay);
        ++daily[day];
        names.clear();
        for (const store::LogRecord* r = v.first; r != v.first + v.count; ++r) {
            const char* group = r->fragment->ref->group;
            if (group && group[0] == 'h')
                names.push_back(group);
        }
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        for (const char* name : names)
            visits.emplace_back(name, day);
    }
    // By name in dictionary order, each name's days ascending: the sums below run over the
    // days in order; days without visitors of the name add exactly nothing.
    std::sort(visits.begin(), visits.end());

    std::vector<std::pair<std::uint32_t, std::uint32_t>> counts; // (day, visitors) of one name
    const float n = static_cast<float>(days);
    for (std::size_t i = 0; i < visits.size();) {
        const char* name = visits[i].first;
        counts.clear();
        for (; i < visits.size() && visits[i].first == name; ++i) {
            if (counts.empty() || counts.back().first != visits[i].second)
                counts.emplace_back(visits[i].second, 0);
            ++counts.back().second;
        }
        auto peak = counts.begin(); // the first day with the most visitors
        for (auto it = counts.begin(); it != counts.end(); ++it)
            if (it->second > peak->second)
                peak = it;
        if (peak->second < kLeastPeak)
            continue;
        float shares = 0.0f, squares = 0.0f;
        for (const auto& [day, count] : counts) {
            shares += static_cast<float>(count) / static_cast<float>(daily[day]);
            squares += static_cast<float>(count) * static_cast<float>(count);
        }
        const float peakShare =
            static_cast<float>(peak->second) / static_cast<float>(daily[peak->first]);
        const float mean = shares / n;
        const float weight = peakShare / mean;
        const float variance = squares / n - mean * mean;
        const float score = std::sqrt(std::max(variance, 0.0f)) / mean * weight;
        const std::int64_t peakDay = state.begin + std::int64_t(peak->first) * kDay;
        const bool recent = weight >= kSpikeWeight && state.end - peakDay <= kRecentSpan;
        rows.push_back({name, state.countOf(name), score, peakDay, recent});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const NewsRow& a, const NewsRow& b) { return a.score > b.score; });
    return rows;
}

std::vector<KeyPageRow> keyPageRows(const store::LogContainer& log, const ReportState& state)
{
    std::vector<KeyPageRow> rows;
    std::unordered_set<const char*> seen;
    const char* last = nullptr;
    for (const store::LogRecord& r : log.Rec2) {
        const char* name = r.fragment->req->group;
        if (!name || name == last || !seen.insert(name).second)
            continue;
        last = name;
        const std::uint32_t count = state.countOf(name);
        // count / visitors >= 5 %, exactly
        if (std::uint64_t(count) * 20 >= state.visitors && count > 0)
            rows.push_back({name, count});
    }
    std::sort(rows.begin(), rows.end(), [](const KeyPageRow& a, const KeyPageRow& b) {
        return a.visitors != b.visitors ? a.visitors > b.visitors : std::less<>()(a.name, b.name);
    });
    return rows;
}

std::string newsTableBody(const store::LogContainer& log, const std::vector<NewsRow>& rows)
{
    std::string out;
    for (const NewsRow& row : rows) {
        out += "<tr><td>" + std::to_string(row.visitors) + "</td>";
        // The whole log, graph of stage 1 in counts, a referer pane on this referer and a
        // page pane on its top row.
        out += "<td><a href=\"javascript:openView('',0,-1,'V2','REF','*r',";
        appendKey(out, log, row.name);
        out += ",null,'REQ','*r',0,null);\">";
        out += row.recent ? "<b>OPEN</b></a></td>" : "OPEN</a></td>";
        out += "<td><a href=\"javascript:openView('referer',";
        appendKey(out, log, row.name);
        out += ");\">";
        appendEscaped(out, row.name);
        out += "</a></td></tr>\r\n";
    }
    return out;
}

std::string keyPageTableBody(const store::LogContainer& log, const ReportState& state,
                             const std::vector<KeyPageRow>& rows)
{
    std::string out;
    for (const KeyPageRow& row : rows) {
        // "%.1f", independent of the process locale.
        char percent[32];
        const double value = double(row.visitors) * 100.0 / double(state.visitors);
        const auto end =
            std::to_chars(percent, percent + sizeof percent, value, std::chars_format::fixed, 1)
                .ptr;
        out += "<tr><td>";
        out.append(percent, end);
        out += "%</td>";
        // The period as it is, graph of stage 1 in percent, a page pane on this page and
        // three bypassed path-mode page panes on the pages viewed next (rows 0, 1, 2).
        out += "<td><a href=\"javascript:openView('',0,0,'%2','REQ','*r',";
        appendKey(out, log, row.name);
        out += ",null,'REQ','-R',0,null,'REQ','-R',1,null,'REQ','-R',2,null);\">OPEN</a></td>";
        out += "<td>";
        appendNameMarkup(out, row.name, log.GroupNames);
        out += "</td></tr>\r\n";
    }
    return out;
}

} // namespace report
