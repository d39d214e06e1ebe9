#pragma once

// The graph view's toggles: the source stage (button 2012), "%" (3002) and "Rank" (3001),
// and its state text, which the report's links hand over (WM__SETVIEWSTATE): "1" to "8" set
// the source stage 0 to 7, "V" switches "%" off and "%" on; other characters are ignored.
// So "V2" shows counts from stage 1 and "%2" percentages from stage 1.

#include <string>
#include <string_view>

namespace views {

inline constexpr int kMaxGraphSource = 7;

struct GraphState
{
    int source = 0; // 0 = the period, k = the filter pane at position k - 1
    bool percent = false;
    bool rank = false; // the button's checked state; it shows only while enabled
};

void applyGraphStateText(GraphState& state, std::string_view text);
// The text that gives a graph this state's source and "%" ("%2", "V1").
std::string graphStateText(const GraphState& state);

} // namespace views
