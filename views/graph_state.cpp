#include "views/graph_state.h"

namespace views {

void applyGraphStateText(GraphState& state, std::string_view text)
{
    for (const char c : text) {
        if (c >= '1' && c <= '1' + kMaxGraphSource)
            state.source = c - '1';
        else if (c == 'V')
            state.percent = false;
        else if (c == '%')
            state.percent = true;
    }
}

std::string graphStateText(const GraphState& state)
{
    std::string text(1, state.percent ? '%' : 'V');
    if (state.source >= 0 && state.source <= kMaxGraphSource)
        text += static_cast<char>('1' + state.source);
    return text;
}

} // namespace views
