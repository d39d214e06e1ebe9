#include "filters/period_filter.h"

#include "filters/chain.h"
#include "platform/clock.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstdio>

namespace filters {
namespace {

constexpr int kPreselectedDays = 31;

std::int64_t dayStart(std::int64_t seconds)
{
    return seconds - seconds % kDaySeconds;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const auto doy = static_cast<unsigned>((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

void PeriodFilter::open(const store::LogContainer& log)
{
    close();
    if (log.Rec2.empty())
        return;
    const auto [lo, hi] = std::minmax_element(
        log.Rec2.begin(), log.Rec2.end(),
        [](const store::LogRecord& a, const store::LogRecord& b) { return a.time < b.time; });
    for (std::int64_t day = dayStart(lo->time); day <= dayStart(hi->time); day += kDaySeconds)
        m_days.push_back(day);
    const int n = static_cast<int>(m_days.size());
    select(std::max(0, n - kPreselectedDays), n - 1);
}

void PeriodFilter::close()
{
    m_days.clear();
    m_from = m_to = -1;
}

void PeriodFilter::select(int from, int to)
{
    const int n = static_cast<int>(m_days.size());
    if (n == 0) {
        m_from = m_to = -1;
        return;
    }
    from = std::clamp(from, 0, n - 1);
    to = std::clamp(to, 0, n - 1);
    if (to < from)
        std::swap(from, to);
    m_from = from;
    m_to = to;
}

int PeriodFilter::indexOfDay(std::int64_t day) const
{
    const auto it = std::lower_bound(m_days.begin(), m_days.end(), day);
    return it != m_days.end() && *it == day ? static_cast<int>(it - m_days.begin()) : -1;
}

std::uint32_t PeriodFilter::apply(std::span<store::VisitorEntry> visitors) const
{
    std::int64_t begin = 1, end = 0; // nothing is in an empty period
    if (m_from >= 0) {
        begin = m_days[static_cast<std::size_t>(m_from)];
        end = m_days[static_cast<std::size_t>(m_to)] + kDaySeconds;
    }
    std::uint32_t in = 0;
    for (store::VisitorEntry& v : visitors) {
        const std::int64_t t = v.count ? v.first->time : -1;
        if (t >= begin && t < end) {
            v.mask |= kPeriodBit;
            ++in;
        } else {
            v.mask &= ~kPeriodBit;
        }
    }
    return in;
}

std::string PeriodFilter::describe() const
{
    if (m_from < 0)
        return {};
    static const std::string from = platform::utf8ToCp932("から");
    static const std::string visitors = platform::utf8ToCp932("の訪問者");
    return dayText(m_days[static_cast<std::size_t>(m_from)]) + from +
           dayText(m_days[static_cast<std::size_t>(m_to)]) + visitors;
}

void PeriodFilter::save(ViewState& state) const
{
    if (m_from < 0)
        return;
    state.numbers.push_back(static_cast<std::uint32_t>(m_days[static_cast<std::size_t>(m_from)]));
    state.numbers.push_back(static_cast<std::uint32_t>(m_days[static_cast<std::size_t>(m_to)]));
}

bool PeriodFilter::restore(const ViewState& state)
{
    if (state.numbers.size() != 2 || m_days.empty())
        return false;
    const std::uint32_t a = state.numbers[0], b = state.numbers[1];
    const int last = static_cast<int>(m_days.size()) - 1;
    int from = 0, to = last;
    if (!(a == 0 && b == 0xFFFFFFFF)) {
        const int lo = indexOfDay(dayStart(std::min(a, b)));
        const int hi = indexOfDay(dayStart(std::max(a, b)));
        from = lo >= 0 ? lo : 0;
        to = hi >= 0 ? hi : last;
    }
    const int oldFrom = m_from, oldTo = m_to;
    select(from, to);
    return m_from != oldFrom || m_to != oldTo;
}

std::string PeriodFilter::dayText(std::int64_t day)
{
    const platform::DateParts p = platform::dateParts(day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", p.year, p.month, p.day);
    return text;
}

std::int64_t PeriodFilter::parseDay(std::string_view text)
{
    int y = 0, m = 0, d = 0;
    char tail = 0;
    const std::string s(text);
    if (text.size() != 10 || text[4] != '/' || text[7] != '/' ||
        std::sscanf(s.c_str(), "%4d/%2d/%2d%c", &y, &m, &d, &tail) != 3)
        return -1;
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return -1;
    if (m < 1 || m > 12 || d < 1 || d > 31)
        return -1;
    const std::int64_t day = daysFromCivil(y, m, d) * kDaySeconds;
    const platform::DateParts back = platform::dateParts(day);
    if (back.year != y || back.month != m || back.day != d)
        return -1; // 2026/02/30 and the like
    return day;
}

int PeriodFilter::weekday(std::int64_t day)
{
    return static_cast<int>(((day / kDaySeconds + 4) % 7 + 7) % 7);
}

std::uint32_t PeriodFilter::weekdayColour(std::int64_t day)
{
    switch (weekday(day)) {
    case 0:
        return 0x0000FF;
    case 6:
        return 0xFF0000;
    default:
        return 0x000000;
    }
}

const char* PeriodFilter::weekdayName(std::int64_t day)
{
    static constexpr const char* kNames[7] = {"日", "月", "火", "水", "木", "金", "土"};
    return kNames[weekday(day)];
}

} // namespace filters
