#include "views/graph_buckets.h"

namespace views {

void GraphBuckets::compute(std::span<const store::VisitorEntry> visitors)
{
    clear();
    // Each visitor's first page view is read once: the records lie far apart in memory.
    constexpr std::uint32_t kStages = (1u << kGraphStages) - 1;
    m_times.resize(visitors.size());
    bool any = false;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    for (std::size_t i = 0; i < visitors.size(); ++i) {
        const store::VisitorEntry& v = visitors[i];
        if (!(v.mask & kStages) || !v.first || v.count == 0)
            continue;
        const std::uint32_t t = v.first->time;
        m_times[i] = t;
        if (!(v.mask & 1))
            continue;
        if (!any || t < first)
            first = t;
        if (!any || t > last)
            last = t;
        any = true;
    }
    if (!any)
        return;
    m_length = bucketLength(first, last);
    m_start = first - first % m_length;
    const std::size_t count = (last - m_start) / m_length + 1;
    m_counts.assign(count, StageCounts{});
    m_ranks.assign(count, filters::RankBucket{});
    for (std::size_t i = 0; i < visitors.size(); ++i) {
        const store::VisitorEntry& v = visitors[i];
        std::uint32_t bits = v.mask & kStages;
        if (!bits || !v.first || v.count == 0)
            continue;
        // Visitors before the first bucket (outside the period) would wrap to a huge index.
        const std::uint32_t t = m_times[i];
        if (t < m_start)
            continue;
        const std::size_t b = (t - m_start) / m_length;
        if (b >= count)
            continue;
        StageCounts& c = m_counts[b];
        for (; bits; bits &= bits - 1)
            ++c[static_cast<std::size_t>(__builtin_ctz(bits))];
    }
}

void GraphBuckets::clear()
{
    m_start = 0;
    m_length = 0;
    m_counts.clear();
    m_ranks.clear();
}

std::uint64_t GraphBuckets::total(int stage) const
{
    if (stage < 0 || stage >= kGraphStages)
        return 0;
    std::uint64_t sum = 0;
    for (const StageCounts& c : m_counts)
        sum += c[static_cast<std::size_t>(stage)];
    return sum;
}

} // namespace views
