#pragma once

// Fields of TAB-separated output (the command line's listings). Texts from a log, a cache
// file or the name service may carry the few control characters that would split a line
// or its columns; they become blanks, so every line keeps its fields.

#include <string>
#include <string_view>

namespace platform {

inline void appendTabField(std::string& out, std::string_view text)
{
    for (const char c : text)
        out += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
}

inline void appendTabField(std::string& out, const char* text)
{
    if (text)
        appendTabField(out, std::string_view(text));
}

} // namespace platform
