#pragma once

// Parser of one combined-format access-log line, in place in the reader's buffer:
//   host ident user [10/Oct/2000:13:55:36 -0700] "GET /a?x HTTP/1.0" 200 2326 "ref?q" "agent"
// It copies nothing, allocates nothing and never changes the buffer.

#include <cstdint>
#include <string_view>

namespace sievra {

// A field of the line: [begin, end). An absent field has begin == end == nullptr; a
// present empty one has begin == end != nullptr.
struct Span
{
    const char* begin = nullptr;
    const char* end = nullptr;

    bool present() const { return begin != nullptr; }
    std::size_t size() const { return static_cast<std::size_t>(end - begin); }
    bool empty() const { return begin == end; }
    std::string_view view() const { return {begin, size()}; }
};

struct LineFields
{
    Span host;
    std::uint32_t time = 0;   // UTC seconds since 1970
    std::uint32_t method = 0; // first four bytes of the request as they lie in memory
    std::uint32_t bytes = 0;
    std::uint32_t status = 0;
    Span user;
    Span path;
    Span query;
    Span referer;
    Span refQuery;
    Span agent;
};

// Parses the line starting at `line`; `limit` is the end of valid data in the buffer (not
// the end of the line; the import passes the line's end so that no field reaches into the
// next line). `out` must be freshly cleared. Returns false only
// when no "[" with room for the bracketed time (28 bytes) lies before the limit.
bool parseLine(const char* line, const char* limit, LineFields& out);

// parseLine in two halves, for lines that may be decided on their request alone: the head
// is everything up to the byte count (null where parseLine returns false), the tail the
// referer and the user agent from where the head stopped.
const char* parseHead(const char* line, const char* limit, LineFields& out);
void parseTail(const char* rest, const char* limit, LineFields& out);

// Seconds from 1970-01-01 for a calendar time counted as UTC; fields out of their normal
// range carry into the next larger unit (month -1 is December of the year before).
std::int64_t calendarSeconds(std::int64_t year, std::int64_t month0, std::int64_t day,
                             std::int64_t hour, std::int64_t minute, std::int64_t second);

} // namespace sievra
