#pragma once

// A stage's saved state: what the store keeps for each pane across a reload, and what the
// report's links hand to the panes to rebuild a chain. A flags text, a list of item texts
// and a list of numbers; the stage decides what it writes and reads.
//
// Filter panes read these flag characters ('*' bypass off, '-' on, 'g' URL-group display
// off, 'G' on, 'r' path mode off, 'R' on); others are ignored and a flag not mentioned
// keeps its state. Item texts are CP932 key texts. A number above 9 is a key reference
// (store/key_reference.h), 0 to 9 a row number, kNullItemNumber the null item.

#include "store/key_reference.h"
#include "store/view_state.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace filters {

using ViewState = store::ViewState;

// flags after applying the characters of text (kFlagBypass, kFlagGroup, kFlagPath).
unsigned applyStateFlags(unsigned flags, std::string_view text);

// Numbers up to this are row numbers; above it key references.
inline constexpr std::uint32_t kLastRowNumber = 9;

// The number that stands for the null item ("no referer", "unknown", ...), which has no
// text to be saved by: a selection holding it would otherwise lose it across a reload, and
// the pane would pass other visitors afterwards. No text of the dictionary has this key
// reference (the dictionary begins with an empty byte).
inline constexpr std::uint32_t kNullItemNumber = store::kKeyReferenceBase;

} // namespace filters
