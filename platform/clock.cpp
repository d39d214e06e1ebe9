#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <mutex>

namespace platform {

std::uint32_t tickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

long standardBiasSeconds()
{
    // Cheap enough for once per load; loops take it once and keep it.
    static std::mutex lock;
    std::lock_guard guard(lock);
    tzset();
    return timezone;
}

std::int64_t utcToLocalStandard(std::int64_t utc)
{
    return utc - standardBiasSeconds();
}

DateParts dateParts(std::int64_t seconds)
{
    // Days since 1970-01-01 to civil date (proleptic Gregorian), valid for any int64 day.
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    DateParts parts{};
    parts.year = static_cast<int>(y);
    parts.month = static_cast<int>(m);
    parts.day = static_cast<int>(d);
    parts.hour = static_cast<int>(rest / 3600);
    parts.minute = static_cast<int>(rest / 60 % 60);
    parts.second = static_cast<int>(rest % 60);
    parts.weekday = static_cast<int>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    return parts;
}

DateParts todayLocal()
{
    return dateParts(utcToLocalStandard(static_cast<std::int64_t>(std::time(nullptr))));
}

} // namespace platform
