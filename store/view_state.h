#pragma once

// A stage's saved state: what the store window keeps for each pane across a reload
// (WM__GETVIEWSTATE fills it, WM__SETVIEWSTATE hands it back), and what the report's links
// hand to the panes to rebuild a chain. A flags text, a list of item texts and a list of
// numbers; only the stage decides what it writes and reads.

#include <cstdint>
#include <string>
#include <vector>

namespace store {

struct ViewState
{
    std::string flags;                  // one character per toggle ('*', '-', 'g', 'G', ...)
    std::vector<std::string> texts;     // item texts as the store holds them (CP932)
    std::vector<std::uint32_t> numbers; // key references, row numbers, day values, ...
};

} // namespace store
