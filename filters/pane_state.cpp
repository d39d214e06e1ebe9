#include "filters/pane_state.h"

#include "filters/kinds.h"

namespace filters {

unsigned applyStateFlags(unsigned flags, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '*':
            flags &= ~kFlagBypass;
            break;
        case '-':
            flags |= kFlagBypass;
            break;
        case 'g':
            flags &= ~kFlagGroup;
            break;
        case 'G':
            flags |= kFlagGroup;
            break;
        case 'r':
            flags &= ~kFlagPath;
            break;
        case 'R':
            flags |= kFlagPath;
            break;
        default:
            break;
        }
    }
    return flags;
}

} // namespace filters
