#include "platform/clock.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(Clock, DatePartsOfKnownInstants)
{
    const struct
    {
        std::int64_t seconds;
        int year, month, day, hour, minute, second, weekday;
    } cases[] = {
        {0, 1970, 1, 1, 0, 0, 0, 4},
        {971211336, 2000, 10, 10, 20, 55, 36, 2},
        {951782400, 2000, 2, 29, 0, 0, 0, 2}, // leap day of a century leap year
        {4107542400, 2100, 3, 1, 0, 0, 0, 1}, // 2100 is not a leap year
        {-1, 1969, 12, 31, 23, 59, 59, 3},
        {4294967295, 2106, 2, 7, 6, 28, 15, 0}, // the last second of an unsigned count
    };
    for (const auto& c : cases) {
        const auto p = platform::dateParts(c.seconds);
        EXPECT_EQ(p.year, c.year) << c.seconds;
        EXPECT_EQ(p.month, c.month) << c.seconds;
        EXPECT_EQ(p.day, c.day) << c.seconds;
        EXPECT_EQ(p.hour, c.hour) << c.seconds;
        EXPECT_EQ(p.minute, c.minute) << c.seconds;
        EXPECT_EQ(p.second, c.second) << c.seconds;
        EXPECT_EQ(p.weekday, c.weekday) << c.seconds;
    }
}

TEST(Clock, StandardOffsetIgnoresDaylightSaving)
{
    const char* saved = std::getenv("TZ");
    const std::string restore = saved ? saved : "";
    const struct
    {
        const char* zone;
        long bias;
    } cases[] = {
        {"Asia/Tokyo", -32400},
        {"UTC", 0},
        {"America/New_York", 18000}, // EST, also in summer
        {"Europe/Berlin", -3600},
    };
    for (const auto& c : cases) {
        ::setenv("TZ", c.zone, 1);
        EXPECT_EQ(platform::standardBiasSeconds(), c.bias) << c.zone;
    }
    ::setenv("TZ", "Asia/Tokyo", 1);
    EXPECT_EQ(platform::utcToLocalStandard(971211336), 971211336 + 32400);
    if (saved)
        ::setenv("TZ", restore.c_str(), 1);
    else
        ::unsetenv("TZ");
}

TEST(Clock, TickCountAdvancesInMilliseconds)
{
    const auto before = platform::tickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto elapsed = platform::tickCount() - before;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 5000u);
}

} // namespace
