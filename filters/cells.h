#pragma once

// What the statistics list shows: the columns of each kind and their initial order, the
// text of every cell (the same text is drawn, handed to the list and written to CSV), and
// the colour of a first-column text.

#include "filters/kinds.h"

#include <cstdint>
#include <string>
#include <vector>

namespace filters {

struct Column
{
    const char* title; // ASCII
    int width;         // pixels
    bool rightAligned;
};

// The columns by subitem: name, "Visitor", "Exit" and, where the kind has it, "Hits/v";
// the search-word kind: "Words", "Visitor", "Exit", "Rank", "Click".
std::vector<Column> columnsOf(Kind kind);

// The initial display order (subitems, left to right): the name column last.
std::vector<int> initialDisplayOrder(Kind kind);

// Subitems of the generic kinds and of the search-word kind.
enum StatSubitem : int { kColumnKey = 0, kColumnVisitors, kColumnStay, kColumnHits };
enum WordSubitem : int {
    kColumnWord = 0,
    kColumnWordVisitors,
    kColumnWordStay,
    kColumnRank,
    kColumnClicks,
    kColumnWordHits, // no column; has a sort order and a text
};

// Cell formats, appended to out.
// Visitors: "%d", or with percent display visitors * 100 / input as "%1.1f%%".
void appendVisitors(std::string& out, std::uint32_t visitors, bool percent, std::uint32_t input);
// Stay and clicks per visitor: "0" for exactly 0, else "%.1f".
void appendZeroOrTenths(std::string& out, float value);
// Hits per visitor and result page per hit: "1" for exactly 1, else "%.1f".
void appendOneOrTenths(std::string& out, float value);
void appendCount(std::string& out, std::uint32_t value);

// Text colours, 0x00BBGGRR.
inline constexpr std::uint32_t kColourBlack = 0x000000;
inline constexpr std::uint32_t kColourGrey = 0x888888;
inline constexpr std::uint32_t kColourLocalPath = 0x004400;
inline constexpr std::uint32_t kColourLocalGroup = 0x003366;
inline constexpr std::uint32_t kColourExternal = 0x880000;
inline constexpr std::uint32_t kColourExternalGroup = 0x440044;
inline constexpr std::uint32_t kColourSelectedText = 0xFFFFFF;

// The colour of an unselected first-column text: key is null for the null item;
// groupName tells whether the key is a URL-group name in use; classified whether a
// browser or OS key was yielded as a classified name.
std::uint32_t keyColour(Kind kind, const char* key, bool groupName, bool classified);

} // namespace filters
