#include "import/line_parser.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace sievra {
namespace {

// Bytes at or beyond the limit count as none of the characters tested for.
inline bool at(const char* p, const char* limit, char c)
{
    return p < limit && *p == c;
}

inline const char* skipBlanks(const char* p, const char* limit)
{
    while (p < limit && *p == ' ')
        ++p;
    return p;
}

inline const char* findByte(const char* p, const char* limit, char c)
{
    if (p >= limit)
        return limit;
    const void* hit = std::memchr(p, c, static_cast<std::size_t>(limit - p));
    return hit ? static_cast<const char*>(hit) : limit;
}

// The first byte at or after p that is one of Stops, or limit: sixteen bytes at a time
// while they lie before the limit (fields are tens of bytes long), then byte by byte.
template <char... Stops> inline const char* scan(const char* p, const char* limit)
{
#ifdef __SSE2__
    while (limit - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = (_mm_cmpeq_epi8(bytes, _mm_set1_epi8(Stops)) | ...);
        if (const int mask = _mm_movemask_epi8(hits))
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < limit && ((*p != Stops) && ...))
        ++p;
    return p;
}

inline const char* clamp(const char* p, const char* limit)
{
    return p < limit ? p : limit;
}

inline int digit(const char* p)
{
    return *p - '0';
}

// "Jan/" .. "Dec/" compared as one 32-bit word; -1 when unknown.
int monthIndex(const char* p)
{
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    static constexpr struct
    {
        char name[5];
        int index;
    } kMonths[] = {
        {"Jan/", 0}, {"Feb/", 1}, {"Mar/", 2}, {"Apr/", 3}, {"May/", 4},  {"Jun/", 5},  {"Jul/", 6},
        {"Jly/", 6}, {"Aug/", 7}, {"Sep/", 8}, {"Oct/", 9}, {"Nov/", 10}, {"Dec/", 11},
    };
    for (const auto& m : kMonths) {
        std::uint32_t key;
        std::memcpy(&key, m.name, 4);
        if (key == word)
            return m.index;
    }
    return -1;
}

} // namespace

std::int64_t calendarSeconds(std::int64_t year, std::int64_t month0, std::int64_t day,
                             std::int64_t hour, std::int64_t minute, std::int64_t second)
{
    // Months carry into years; days, hours, minutes and seconds simply add up.
    year += month0 >= 0 ? month0 / 12 : -((11 - month0) / 12);
    month0 -= (month0 >= 0 ? month0 / 12 : -((11 - month0) / 12)) * 12;
    const std::int64_t m = month0 + 1; // 1..12
    const std::int64_t y = m <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = era * 146097 + doe - 719468 + (day - 1);
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

const char* parseHead(const char* line, const char* limit, LineFields& out)
{
    const char* p = line;
    if (p >= limit)
        return nullptr;

    // Host.
    p = skipBlanks(p, limit);
    if (at(p, limit, '"')) {
        const char* close = findByte(p + 1, limit, '"');
        out.host = {p + 1, close};
        p = clamp(close + 1, limit);
    } else {
        const char* end = scan<' ', '\r', '\n'>(p, limit);
        out.host = {p, end};
        p = end;
    }

    // Identity, skipped.
    p = skipBlanks(p, limit);
    if (at(p, limit, '"'))
        p = clamp(findByte(p + 1, limit, '"') + 1, limit);
    else
        p = scan<' ', '\r', '\n'>(p, limit);
    p = clamp(p + 1, limit);

    // User: up to the blank before "[", which is looked for up to the limit.
    const char* b = scan<'['>(p, limit); // a few bytes on: no call
    if (b == limit || limit - b < 28)
        return nullptr;
    out.user = {p, b - 1 >= p ? b - 1 : p};

    // Time at fixed positions inside the brackets; digits are taken unchecked.
    const std::int64_t seconds = calendarSeconds(
        digit(b + 8) * 1000 + digit(b + 9) * 100 + digit(b + 10) * 10 + digit(b + 11),
        monthIndex(b + 4), digit(b + 1) * 10 + digit(b + 2), digit(b + 13) * 10 + digit(b + 14),
        digit(b + 16) * 10 + digit(b + 17), digit(b + 19) * 10 + digit(b + 20));
    std::int64_t zone =
        (digit(b + 23) * 10 + digit(b + 24)) * 3600 + (digit(b + 25) * 10 + digit(b + 26)) * 60;
    if (b[22] == '-')
        zone = -zone;
    out.time = static_cast<std::uint32_t>(seconds - zone);

    // Request.
    p = b + 28;
    if (at(p, limit, ' '))
        ++p;
    if (at(p, limit, '"'))
        ++p;
    if (p < limit && *p != '-') {
        unsigned char method[4] = {};
        for (int i = 0; i < 4 && p + i < limit; ++i)
            method[i] = static_cast<unsigned char>(p[i]);
        std::memcpy(&out.method, method, 4);
        p = scan<' ', '"'>(p, limit);
        if (!at(p, limit, '"'))
            p = clamp(p + 1, limit);
        const char* pathEnd = scan<' ', '#', '?', '"'>(p, limit);
        out.path = {p, pathEnd};
        p = pathEnd;
        if (at(p, limit, '#'))
            p = scan<'?', '"', ' '>(p + 1, limit);
        if (at(p, limit, '?')) {
            const char* queryEnd = scan<' ', '"'>(p + 1, limit);
            out.query = {p + 1, queryEnd};
            p = queryEnd;
        }
    }

    // End of the request: past its closing quote and the blank after it.
    p = scan<'"'>(p, limit);
    if (p < limit)
        ++p;
    p = clamp(p + 1, limit);

    // Status and byte count, accumulated without any check ("-" is a zero digit).
    std::uint32_t status = 0;
    for (; p < limit && *p != ' '; ++p)
        status = status * 10 + static_cast<std::uint32_t>(digit(p));
    out.status = status;
    p = clamp(p + 1, limit);
    std::uint32_t bytes = 0;
    for (; p < limit && *p != ' '; ++p)
        bytes = bytes * 10 + (*p == '-' ? 0u : static_cast<std::uint32_t>(digit(p)));
    out.bytes = bytes;
    return p;
}

void parseTail(const char* p, const char* limit, LineFields& out)
{
    // Referer, split at "?".
    if (at(p, limit, ' '))
        ++p;
    if (at(p, limit, '"')) {
        if (at(p + 1, limit, '-')) {
            p += 2;
        } else {
            const char* end = scan<'"', '?'>(p + 1, limit);
            out.referer = {p + 1, end};
            p = end;
            if (at(p, limit, '?')) {
                const char* qEnd = findByte(p + 1, limit, '"');
                out.refQuery = {p + 1, qEnd};
                p = qEnd;
            }
        }
        if (at(p, limit, '"'))
            ++p;
    }

    // User agent.
    if (at(p, limit, ' '))
        ++p;
    if (at(p, limit, '"')) {
        const char* end = findByte(p + 1, limit, '"');
        out.agent = {p + 1, end};
    }
}

bool parseLine(const char* line, const char* limit, LineFields& out)
{
    const char* rest = parseHead(line, limit, out);
    if (!rest)
        return false;
    parseTail(rest, limit, out);
    return true;
}

} // namespace sievra
