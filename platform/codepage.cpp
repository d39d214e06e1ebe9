#include "codepage.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <unordered_map>

namespace platform {

namespace {

using Byte = unsigned char;

constexpr Byte foldAscii(Byte c)
{
    return (c >= 'A' && c <= 'Z') ? Byte(c + ('a' - 'A')) : c;
}

constexpr bool isTrailByte(Byte c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Reads the character at p and steps past it: a double-byte character as lead << 8 | trail,
// anything else (including a lead byte at the very end) as its byte value.
inline unsigned takeChar(const Byte*& p, const Byte* end)
{
    const unsigned c = *p++;
    if (isLeadByte(Byte(c)) && p < end)
        return c << 8 | *p++;
    return c;
}

// One walk for both orders. Returns the sign of the (optionally folded) comparison; when
// folding and the texts compare equal, *tie receives the sign of the first difference
// without folding, which is the case-sensitive result since folding keeps the walk's steps.
template <bool Fold> int walk(std::string_view a, std::string_view b, int* tie)
{
    const Byte* p = reinterpret_cast<const Byte*>(a.data());
    const Byte* q = reinterpret_cast<const Byte*>(b.data());
    const Byte* pe = p + a.size();
    const Byte* qe = q + b.size();
    while (p < pe && q < qe) {
        // Sorted texts share long prefixes: step over identical ASCII bytes eight at a time
        // and land on the first difference. ASCII only, so the walk never lands on a trail.
        while (pe - p >= 8 && qe - q >= 8) {
            std::uint64_t x, y;
            std::memcpy(&x, p, 8);
            std::memcpy(&y, q, 8);
            if (((x | y) & 0x8080808080808080ull) != 0)
                break;
            if (x != y) {
                if constexpr (std::endian::native == std::endian::little) {
                    const int same = std::countr_zero(x ^ y) / 8;
                    p += same;
                    q += same;
                }
                break;
            }
            p += 8;
            q += 8;
        }
        if (p == pe || q == qe)
            break;
        const Byte c = *p;
        const Byte d = *q;
        if ((c | d) < 0x80) {
            // Both sides are single-byte ASCII here: the hot path of every sort.
            if (c != d) {
                if constexpr (Fold) {
                    const Byte fc = foldAscii(c);
                    const Byte fd = foldAscii(d);
                    if (fc != fd)
                        return fc < fd ? -1 : 1;
                    if (*tie == 0)
                        *tie = c < d ? -1 : 1;
                } else {
                    return c < d ? -1 : 1;
                }
            }
            ++p;
            ++q;
            continue;
        }
        unsigned u = takeChar(p, pe);
        unsigned v = takeChar(q, qe);
        if (u == v)
            continue;
        if constexpr (Fold) {
            const unsigned fu = u < 0x80 ? foldAscii(Byte(u)) : u;
            const unsigned fv = v < 0x80 ? foldAscii(Byte(v)) : v;
            if (fu != fv)
                return fu < fv ? -1 : 1;
            if (*tie == 0)
                *tie = u < v ? -1 : 1;
        } else {
            return u < v ? -1 : 1;
        }
    }
    return (p < pe) - (q < qe);
}

} // namespace

void toLowerAscii(char* text, std::size_t length)
{
    Byte* p = reinterpret_cast<Byte*>(text);
    Byte* end = p + length;
    while (p < end) {
        const Byte c = *p;
        if (c < 0x80) {
            *p++ = foldAscii(c);
        } else {
            p += (isLeadByte(c) && p + 1 < end) ? 2 : 1;
        }
    }
}

void toLowerAscii(std::string& text)
{
    toLowerAscii(text.data(), text.size());
}

int compareNoCase(std::string_view a, std::string_view b)
{
    int tie = 0;
    return walk<true>(a, b, &tie);
}

int compareCase(std::string_view a, std::string_view b)
{
    return walk<false>(a, b, nullptr);
}

int compareDictionary(std::string_view a, std::string_view b)
{
    int tie = 0;
    const int r = walk<true>(a, b, &tie);
    return r != 0 ? r : tie;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    // Folding never changes a character's length, so equal texts have equal sizes and the
    // two walks stay in step: a byte pair either matches exactly or is an ASCII case pair.
    if (a.size() != b.size())
        return false;
    const Byte* p = reinterpret_cast<const Byte*>(a.data());
    const Byte* q = reinterpret_cast<const Byte*>(b.data());
    const std::size_t n = a.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Byte c = p[i];
        const Byte d = q[i];
        if (c == d) {
            if (isLeadByte(c) && i + 1 < n) {
                ++i;
                if (p[i] != q[i])
                    return false;
            }
        } else if ((c | d) >= 0x80 || foldAscii(c) != foldAscii(d)) {
            return false;
        }
    }
    return true;
}

namespace {

constexpr const char* kCp932 = "CP932";
constexpr const char* kUtf8 = "UTF-8";
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// iconv descriptors carry conversion state, so each thread keeps its own, opened on first
// use and closed when the thread ends.
class ConverterCache
{
  public:
    ~ConverterCache()
    {
        for (auto& entry : m_open)
            iconv_close(entry.second);
    }

    // kNoConverter when iconv does not know the pair (not remembered, so nothing leaks).
    iconv_t get(const char* from, const char* to)
    {
        std::string name = from;
        name += '\n';
        name += to;
        auto it = m_open.find(name);
        if (it != m_open.end()) {
            iconv(it->second, nullptr, nullptr, nullptr, nullptr); // back to the initial state
            return it->second;
        }
        const iconv_t cd = iconv_open(to, from);
        if (cd != kNoConverter)
            m_open.emplace(std::move(name), cd);
        return cd;
    }

  private:
    std::unordered_map<std::string, iconv_t> m_open;
};

iconv_t converter(const char* from, const char* to)
{
    thread_local ConverterCache cache;
    return cache.get(from, to);
}

// Length of the sequence iconv refused at p, which becomes one replacement character.
using SkipFn = std::size_t (*)(const Byte* p, const Byte* end);

std::size_t skipCp932(const Byte* p, const Byte* end)
{
    return (isLeadByte(p[0]) && p + 1 < end && isTrailByte(p[1])) ? 2 : 1;
}

std::size_t skipUtf16(const Byte* p, const Byte* end)
{
    if (end - p < 2)
        return end - p;
    char16_t u, v;
    std::memcpy(&u, p, 2);
    if (u >= 0xD800 && u <= 0xDBFF && end - p >= 4) {
        std::memcpy(&v, p + 2, 2);
        if (v >= 0xDC00 && v <= 0xDFFF)
            return 4;
    }
    return 2;
}

// The longest well-formed start of a UTF-8 sequence at p (at least one byte), so that a
// broken sequence yields one replacement and an unmappable character is skipped whole.
std::size_t skipUtf8(const Byte* p, const Byte* end)
{
    const Byte c = p[0];
    std::size_t need;
    Byte lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        need = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 3;
        if (c == 0xE0)
            lo = 0xA0;
        if (c == 0xED)
            hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 4;
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 1;
    }
    std::size_t n = 1;
    while (n < need && p + n < end) {
        const Byte d = p[n];
        if (d < lo || d > hi)
            break;
        lo = 0x80;
        hi = 0xBF;
        ++n;
    }
    return n;
}

// Converts in through iconv, appending to out. With skip set, every sequence iconv refuses
// (invalid input or a character the target cannot hold) is replaced and the conversion
// goes on; without it the first refusal ends the conversion with false.
bool run(const char* from, const char* to, std::string_view in, std::string& out, SkipFn skip,
         std::string_view replacement)
{
    const iconv_t cd = converter(from, to);
    if (cd == kNoConverter)
        return false;
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t used = out.size();
    out.resize(used + in.size() * 2 + 16);
    bool flushed = false;
    while (!flushed) {
        char* dst = out.data() + used;
        std::size_t dstLeft = out.size() - used;
        // Once the input is used up, one call with a null source writes any closing shift
        // sequence (ISO-2022-JP).
        const bool flushing = srcLeft == 0;
        const std::size_t r = flushing ? iconv(cd, nullptr, nullptr, &dst, &dstLeft)
                                       : iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int err = errno;
        used = dst - out.data();
        if (r != static_cast<std::size_t>(-1)) {
            flushed = flushing;
            continue;
        }
        if (err == E2BIG) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        // EILSEQ (invalid or unmappable) or EINVAL (incomplete sequence at the end).
        if (!skip || flushing) {
            out.resize(used);
            return false;
        }
        const Byte* p = reinterpret_cast<const Byte*>(src);
        const std::size_t n = std::min(skip(p, p + srcLeft), srcLeft);
        src += n;
        srcLeft -= n;
        out.replace(used, replacement.size(), replacement);
        used += replacement.size();
        if (out.size() < used + 16)
            out.resize(used + srcLeft * 2 + 16);
    }
    out.resize(used);
    return true;
}

bool isAscii(const void* data, std::size_t size)
{
    const Byte* p = static_cast<const Byte*>(data);
    for (std::size_t i = 0; i < size; ++i)
        if (p[i] >= 0x80)
            return false;
    return true;
}

bool isAscii(std::u16string_view text)
{
    for (char16_t c : text)
        if (c >= 0x80)
            return false;
    return true;
}

const char16_t kReplacementChar = 0xFFFD;
const std::string_view kReplacement16(reinterpret_cast<const char*>(&kReplacementChar), 2);
constexpr std::string_view kReplacement8 = "\xEF\xBF\xBD";
constexpr std::string_view kReplacement932 = "?";

std::u16string toUtf16(const char* from, std::string_view text, SkipFn skip)
{
    if (isAscii(text.data(), text.size()))
        return std::u16string(text.begin(), text.end());
    std::string bytes;
    run(from, kUtf16, text, bytes, skip, kReplacement16);
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

std::string fromUtf16(const char* to, std::u16string_view text, std::string_view replacement)
{
    if (isAscii(text))
        return std::string(text.begin(), text.end());
    std::string out;
    run(kUtf16, to, {reinterpret_cast<const char*>(text.data()), text.size() * 2}, out, skipUtf16,
        replacement);
    return out;
}

std::string between(const char* from, const char* to, std::string_view text, SkipFn skip,
                    std::string_view replacement)
{
    if (isAscii(text.data(), text.size()))
        return std::string(text);
    std::string out;
    run(from, to, text, out, skip, replacement);
    return out;
}

} // namespace

std::u16string cp932ToUtf16(std::string_view text)
{
    return toUtf16(kCp932, text, skipCp932);
}

std::string utf16ToCp932(std::u16string_view text)
{
    return fromUtf16(kCp932, text, kReplacement932);
}

std::string cp932ToUtf8(std::string_view text)
{
    return between(kCp932, kUtf8, text, skipCp932, kReplacement8);
}

std::string utf8ToCp932(std::string_view text)
{
    return between(kUtf8, kCp932, text, skipUtf8, kReplacement932);
}

std::u16string utf8ToUtf16(std::string_view text)
{
    return toUtf16(kUtf8, text, skipUtf8);
}

std::string utf16ToUtf8(std::u16string_view text)
{
    return fromUtf16(kUtf8, text, kReplacement8);
}

bool convertStrict(const char* from, const char* to, std::string_view in, std::string& out)
{
    out.clear();
    if (!from || !to)
        return false;
    return run(from, to, in, out, nullptr, {});
}

} // namespace platform
