#include "dialogs/formats.h"

#include <gtest/gtest.h>

namespace {

TEST(Formats, SizeTextsChangeUnitAtTheQuarterMarks)
{
    const struct
    {
        std::uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0"},          {255, "255"},          {300, "0.3k"},        {0x3FFFF, "256.0k"},
        {0x50000, "0.3M"}, {0xFFFFFFF, "256.0M"}, {0x10000000, "0.2G"}, {5ull << 30, "5.0G"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::sizeText(c.bytes), c.text) << c.bytes;
}

TEST(Formats, RemainingTimeIsRoundedToFiveSecondsThenToHalfMinutes)
{
    const struct
    {
        std::uint32_t elapsed;
        std::uint64_t done, total;
        const char* text;
    } cases[] = {
        {47000, 50, 100, "50 sec"},                            // 47 s
        {61000, 50, 100, "1:00"},                              // 61 s
        {119000, 50, 100, "1:30"},                             // 119 s
        {59000, 50, 100, "60 sec"},                            // still below a minute
        {60000, 50, 100, "1:00"},    {1000, 75, 100, "0 sec"}, // 0.33 s
        {3000, 60, 100, "5 sec"},                              // 2 s
        {3000, 50, 100, "5 sec"},                              // 3 s
        {1200000, 50, 100, "20:00"}, {5000, 0, 100, "--:--"},  // nothing read yet
        {5000, 0, 0, "--:--"},                                 // nothing to read
        {5000, 100, 100, "0 sec"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::remainingTimeText(ui::remainingSeconds(c.elapsed, c.done, c.total)), c.text)
            << c.elapsed << " " << c.done << "/" << c.total;
}

TEST(Formats, VersionLineTakesTheBuildAsALetter)
{
    const struct
    {
        const char* product;
        const char* text;
    } cases[] = {
        {"1.5.0.0", "Ver 1.5a"},
        {"2.0.1.0", "Ver 2.0b"},
        {"0.1.0", "Ver 0.1a"},
        {"3.12.25.7", "Ver 3.12z"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::versionText(c.product), c.text);
}

TEST(Formats, WordListsSplitAtCommasAndBlanks)
{
    using Words = std::vector<std::string>;
    const struct
    {
        const char* list;
        Words words;
    } cases[] = {
        {"jpg, gif, png, swf, css, js", {"jpg", "gif", "png", "swf", "css", "js"}},
        {"index.html,,index.htm  index.cgi", {"index.html", "index.htm", "index.cgi"}},
        {" , ", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::splitWords(c.list), c.words) << c.list;
}

} // namespace

TEST(Formats, TheInputBeingReadFollowsTheByteCountAndPassesOverEmptyInputs)
{
    const std::vector<std::uint64_t> sizes = {100, 0, 300, 50};
    const struct
    {
        std::uint64_t done;
        std::size_t input;
    } cases[] = {
        {0, 0},    {99, 0},  // inside the first
        {100, 2},            // the first is done; the empty second is never read
        {399, 2},  {400, 3}, // one byte before and at the boundary
        {449, 3},  {450, 3}, // all read: the last one stays named
        {9999, 3},           // a count past the end (a file that grew) names no other
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::currentInput(sizes, c.done), c.input) << c.done;
    EXPECT_EQ(ui::currentInput({0, 0}, 0), 2u);
    EXPECT_EQ(ui::currentInput({}, 0), 0u);
}
