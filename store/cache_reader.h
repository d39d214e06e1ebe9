#pragma once

// Reads files made of three-line entries: the search caches ("[MapString]", key, value)
// and the URL-group file (kind, pattern, group). An entry starts at the next line whose
// first byte is "["; a "[" inside a line never starts one, so text that reached the file
// as part of a key or value cannot pose as an entry of its own. Each of an entry's lines
// runs to the next line feed, without the byte before it (the carriage return); white
// space after each line is skipped, so blank lines between entries do not matter.

#include "platform/files.h"

#include <string>
#include <string_view>

namespace store {

class CacheReader
{
  public:
    // Maps the file read-only and reads the first entry. 0 or the error of open or map;
    // an empty file is at its end at once.
    [[nodiscard]] int open(const std::string& path);

    bool atEnd() const { return m_atEnd; }
    std::string_view kind() const { return m_lines[0]; }
    std::string_view key() const { return m_lines[1]; }
    std::string_view value() const { return m_lines[2]; }
    void next();

    // Whether text can be written as one line of an entry and read back unchanged: it is
    // not empty, holds no CR, LF or NUL, and does not begin with white space (which the
    // reader skips). Writers leave out entries with a key or value that fails this.
    static bool canHold(std::string_view text);

  private:
    std::string_view line();
    void skipWhite();

    platform::File m_file;
    platform::MappedView m_view;
    const char* m_p = nullptr;
    const char* m_end = nullptr;
    std::string_view m_lines[3];
    bool m_atEnd = true;
};

} // namespace store
