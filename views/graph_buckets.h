#pragma once

// The graph view's data: the time from the first to the last visitor of the period cut
// into buckets of one hour or one day, each counting the visitors (by their first page
// view) that hold each stage bit 0 to 6, and each with a pair {sum, count} of search-result
// pages for the rank line.

#include "filters/word_rows.h"
#include "store/log_container.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace views {

// Stage bits 0 (the period) to 6 (the sixth filter pane).
inline constexpr int kGraphStages = 7;

inline constexpr std::uint32_t kHourBucket = 3600;
inline constexpr std::uint32_t kDayBucket = 86400;
// Visitors of the period spread over more seconds than this (two days or more) get day
// buckets; less, hour buckets.
inline constexpr std::uint32_t kHourBucketsUpTo = 172799;

// The bucket length for first page views from `first` to `last` (local seconds).
constexpr std::uint32_t bucketLength(std::uint32_t first, std::uint32_t last)
{
    return last - first > kHourBucketsUpTo ? kDayBucket : kHourBucket;
}

using StageCounts = std::array<std::uint32_t, kGraphStages>;

class GraphBuckets
{
  public:
    // Recomputes the buckets. Their range runs from the earliest first page view of the
    // visitors in the period (mask bit 0), cut down to a multiple of the bucket length, to
    // the bucket of the latest. Every visitor of the store whose first page view lies in
    // that range counts once for each of its mask bits 0 to 6. No visitor in the period: no
    // buckets. The rank pairs are cleared.
    void compute(std::span<const store::VisitorEntry> visitors);
    // Drops the buckets (the log closed).
    void clear();

    bool empty() const { return m_counts.empty(); }
    std::size_t size() const { return m_counts.size(); }
    // Local seconds of bucket 0's start; 0 when empty.
    std::uint32_t start() const { return m_start; }
    // 3600 or 86400; 0 when empty.
    std::uint32_t length() const { return m_length; }
    std::uint32_t bucketStart(std::size_t bucket) const
    {
        return m_start + static_cast<std::uint32_t>(bucket) * m_length;
    }

    const StageCounts& counts(std::size_t bucket) const { return m_counts[bucket]; }
    // A stage's visitors over all buckets; 0 for a stage outside 0..6.
    std::uint64_t total(int stage) const;

    // The rank pairs, one per bucket, for the search-word pane to fill.
    std::span<filters::RankBucket> ranks() { return m_ranks; }
    std::span<const filters::RankBucket> ranks() const { return m_ranks; }

  private:
    std::uint32_t m_start = 0;
    std::uint32_t m_length = 0;
    std::vector<StageCounts> m_counts;
    std::vector<filters::RankBucket> m_ranks;
    std::vector<std::uint32_t> m_times; // per visitor, its first page view's (working space)
};

} // namespace views
