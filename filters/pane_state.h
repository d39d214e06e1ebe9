#pragma once

// A stage's saved state: what the store keeps for each pane across a reload, and what the
// report's links hand to the panes to rebuild a chain. A flags text, a list of item texts
// and a list of numbers; the stage decides what it writes and reads.
//
// Filter panes read these flag characters ('*' bypass off, '-' on, 'g' URL-group display
// off, 'G' on, 'r' path mode off, 'R' on); others are ignored and a flag not mentioned
// keeps its state. Item texts are CP932 key texts. A number above 9 is a key reference
// (store/key_reference.h), 0 to 9 a row number.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace filters {

struct ViewState
{
    std::string flags;
    std::vector<std::string> texts;
    std::vector<std::uint32_t> numbers;
};

// flags after applying the characters of text (kFlagBypass, kFlagGroup, kFlagPath).
unsigned applyStateFlags(unsigned flags, std::string_view text);

// Numbers up to this are row numbers; above it key references.
inline constexpr std::uint32_t kLastRowNumber = 9;

} // namespace filters
