#pragma once

// The period filter, stage 0 ("1.  期間", "WC_FILTER_TIMERANGE"): a visitor is in the period
// when its first page view lies in [from day, to day + 1 day). The days are the calendar
// days of the log, as local-standard-time seconds of their start (multiples of 86400).

#include "filters/pane_state.h"
#include "store/log_container.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace filters {

inline constexpr char kPeriodClassName[] = "WC_FILTER_TIMERANGE";
inline constexpr char kPeriodCaption[] = "1.  期間"; // UTF-8
inline constexpr std::int64_t kDaySeconds = 86400;

class PeriodFilter
{
  public:
    // Fills the day list from the log's first to its last record day, and preselects the
    // last 31 days (all of them when there are fewer).
    void open(const store::LogContainer& log);
    // Empties the day list.
    void close();

    const std::vector<std::int64_t>& days() const { return m_days; }
    // Selected entries of the day list; -1 when the list is empty.
    int from() const { return m_from; }
    int to() const { return m_to; }
    // Selects entries (clamped into the list); a "to" before "from" exchanges the two.
    void select(int from, int to);
    // The entry of a day start, or -1.
    int indexOfDay(std::int64_t day) const;

    // Sets bit 0 of every visitor whose first page view lies in the period and clears it
    // for all others. Returns the number in the period.
    std::uint32_t apply(std::span<store::VisitorEntry> visitors) const;

    // "2006/01/01から2006/01/31の訪問者" (CP932); empty without a selection.
    std::string describe() const;

    // The state: the two day values.
    void save(ViewState& state) const;
    // Takes exactly two numbers a and b (others are ignored): 0 and 0xFFFFFFFF select every
    // day; otherwise the days of min and max, the first or the last day where none matches.
    // Returns whether the selection changed (the caller then applies the period again).
    bool restore(const ViewState& state);

    // "%Y/%m/%d" of a day value, read as UTC (the values are local times already).
    static std::string dayText(std::int64_t day);
    // The day value of a "YYYY/MM/DD" text, or -1 when it is not a date.
    static std::int64_t parseDay(std::string_view text);
    // 0 = Sunday .. 6 = Saturday, its one-character name ("日" .. "土", UTF-8) and the
    // colour it is drawn in (0x00BBGGRR: Sunday red, Saturday blue, others black).
    static int weekday(std::int64_t day);
    static const char* weekdayName(std::int64_t day);
    static std::uint32_t weekdayColour(std::int64_t day);

  private:
    std::vector<std::int64_t> m_days;
    int m_from = -1;
    int m_to = -1;
};

} // namespace filters
