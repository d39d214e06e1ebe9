#include "views/graph_model.h"

#include "platform/clock.h"
#include "platform/trace.h"
#include "views/graph_csv.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace views {

void GraphModel::recompute(std::span<const store::VisitorEntry> visitors,
                           std::vector<GraphPane> panes, const RankSeriesSource& rankSeries)
{
    const std::uint32_t tick = platform::tickCount();
    m_panes = std::move(panes);
    m_rankEnabled = std::any_of(m_panes.begin(), m_panes.end(),
                                [](const GraphPane& p) { return p.searchWord; });
    m_buckets.compute(visitors);
    if (!m_buckets.empty() && rankSeries)
        rankSeries(m_buckets.start(), m_buckets.length(), m_buckets.ranks());
    platform::trace("refresh graph time=%d", static_cast<int>(platform::tickCount() - tick));
}

void GraphModel::close()
{
    m_buckets.clear();
}

int GraphModel::stageCount() const
{
    return static_cast<int>(std::min<std::size_t>(m_panes.size() + 1, kGraphStages));
}

bool GraphModel::bypassed(int stage) const
{
    return stage > 0 && m_panes[static_cast<std::size_t>(stage - 1)].bypassed;
}

std::vector<int> GraphModel::displayedStages() const
{
    std::vector<int> stages;
    for (int s = std::max(0, m_state.source); s < stageCount(); ++s)
        if (!bypassed(s))
            stages.push_back(s);
    return stages;
}

int GraphModel::baseStage() const
{
    if (m_state.source < 0 || m_state.source >= stageCount())
        return -1;
    int s = m_state.source;
    while (bypassed(s))
        --s;
    return s;
}

std::optional<double> GraphModel::value(std::size_t bucket, int stage) const
{
    if (bucket >= m_buckets.size() || stage < 0 || stage >= stageCount())
        return std::nullopt;
    const StageCounts& c = m_buckets.counts(bucket);
    const double visitors = c[static_cast<std::size_t>(stage)];
    if (!m_state.percent)
        return visitors;
    const int base = baseStage();
    if (base < 0 || c[static_cast<std::size_t>(base)] == 0)
        return std::nullopt;
    return visitors * 100.0 / c[static_cast<std::size_t>(base)];
}

int GraphModel::scaleMax() const
{
    double top = 0;
    for (const int s : displayedStages())
        for (std::size_t b = 0; b < m_buckets.size(); ++b)
            if (const std::optional<double> v = value(b, s))
                top = std::max(top, *v);
    if (m_state.percent)
        top = std::min(std::ceil(top), 100.0);
    return std::max(1, static_cast<int>(top));
}

std::string GraphModel::scaleLabel(int value) const
{
    return std::to_string(value) + (m_state.percent ? "%" : "");
}

std::string GraphModel::timeLabel(std::size_t bucket) const
{
    if (bucket >= m_buckets.size())
        return {};
    const platform::DateParts d = platform::dateParts(m_buckets.bucketStart(bucket));
    char text[16];
    if (m_buckets.length() == kDayBucket)
        std::snprintf(text, sizeof text, "%02d/%02d", d.month, d.day);
    else
        std::snprintf(text, sizeof text, "%02d", d.hour);
    return text;
}

Weekend GraphModel::weekend(std::size_t bucket) const
{
    return bucket < m_buckets.size() ? weekendOf(m_buckets.bucketStart(bucket)) : Weekend::None;
}

bool GraphModel::startsDay(std::size_t bucket) const
{
    return bucket < m_buckets.size() && m_buckets.bucketStart(bucket) % kDayBucket == 0;
}

std::optional<double> GraphModel::rankAverage(std::size_t bucket) const
{
    if (bucket >= m_buckets.size())
        return std::nullopt;
    const filters::RankBucket& r = m_buckets.ranks()[bucket];
    if (r.count == 0)
        return std::nullopt;
    return static_cast<double>(r.sum) / r.count;
}

int GraphModel::rankScaleMax() const
{
    double top = 0;
    for (std::size_t b = 0; b < m_buckets.size(); ++b)
        if (const std::optional<double> v = rankAverage(b))
            top = std::max(top, *v);
    return std::max(10, static_cast<int>(std::ceil(top / 10.0)) * 10);
}

std::string GraphModel::rankLabel(int value)
{
    return value == 1 ? "1 Rank" : std::to_string(value);
}

std::uint64_t GraphModel::total(int stage) const
{
    return stage >= 0 && stage < stageCount() ? m_buckets.total(stage) : 0;
}

double GraphModel::shareOfBase(int stage, double whole) const
{
    const int base = baseStage();
    const std::uint64_t baseTotal = base < 0 ? 0 : total(base);
    return baseTotal ? static_cast<double>(total(stage)) * whole / static_cast<double>(baseTotal)
                     : 0.0;
}

double GraphModel::sweep(int stage) const
{
    return shareOfBase(stage, 360.0);
}

std::string GraphModel::totalText(int stage) const
{
    return std::to_string(total(stage));
}

std::string GraphModel::shareText(int stage) const
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", shareOfBase(stage, 100.0));
    return text;
}

std::string GraphModel::csv() const
{
    return graphCsv(m_buckets, m_panes, rankShown());
}

} // namespace views
