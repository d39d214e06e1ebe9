#pragma once

// The state record of a pane (WM__GETVIEWSTATE appends to it, WM__SETVIEWSTATE takes it
// over): what a reload of the log or a report link carries from one chain to the next.
// Only the panes read and write its contents; the store keeps one per pane across a
// reload.

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace toolkit {

struct ViewState
{
    QString flags;                    // one character per toggle ('*', '-', 'g', 'G', ...)
    std::vector<std::string> items;   // item texts as the store holds them (CP932)
    std::vector<std::uint32_t> numbers;
};

} // namespace toolkit
