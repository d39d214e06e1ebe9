#include "regexp.h"

#include <cstdint>
#include <new>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

namespace platform {

namespace {

// ECMAScript behaviour where PCRE2 offers it. MATCH_INVALID_UTF lets a text with a lone
// surrogate be searched safely (such a unit never matches) instead of failing.
constexpr std::uint32_t kCompileOptions = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX |
                                          PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF |
                                          PCRE2_DOLLAR_ENDONLY;
constexpr std::uint32_t kExtraOptions = PCRE2_EXTRA_ALT_BSUX | PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL;

const char16_t kEmpty[] = u"";

PCRE2_SPTR units(std::u16string_view s)
{
    return reinterpret_cast<PCRE2_SPTR>(s.empty() ? kEmpty : s.data());
}

int compileError(int code)
{
    switch (code) {
    case PCRE2_ERROR_MISSING_SQUARE_BRACKET:
        return kRegExpExpectedBracket;
    case PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS:
        return kRegExpExpectedParen;
    case PCRE2_ERROR_QUANTIFIER_INVALID:
        return kRegExpUnexpectedQuantifier;
    case PCRE2_ERROR_CLASS_RANGE_ORDER:
        return kRegExpInvalidRange;
    case PCRE2_ERROR_NOMEMORY:
        return kRegExpOutOfMemory;
    default:
        return kRegExpSyntax;
    }
}

int matchError(int code)
{
    switch (code) {
    case PCRE2_ERROR_NOMEMORY:
        return kRegExpOutOfMemory;
    case PCRE2_ERROR_MATCHLIMIT:
    case PCRE2_ERROR_DEPTHLIMIT:
    case PCRE2_ERROR_HEAPLIMIT:
    case PCRE2_ERROR_JIT_STACKLIMIT:
        return kRegExpOutOfStack;
    default:
        return kRegExpFailed;
    }
}

// Compiling and matching settings shared by every object; read-only once made.
pcre2_compile_context* compileContext()
{
    static pcre2_compile_context* context = [] {
        pcre2_compile_context* c = pcre2_compile_context_create(nullptr);
        if (c) {
            pcre2_set_newline(c, PCRE2_NEWLINE_ANYCRLF);
            pcre2_set_compile_extra_options(c, kExtraOptions);
        }
        return c;
    }();
    return context;
}

// JIT code backtracks on a stack of its own; the default 32 KiB runs out on long texts
// with nested groups, so each thread gets one that can grow to 1 MiB.
pcre2_jit_stack* threadJitStack(void*)
{
    struct Holder
    {
        pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);
        ~Holder() { pcre2_jit_stack_free(stack); }
    };
    thread_local Holder holder;
    return holder.stack; // null falls back to the 32 KiB default
}

pcre2_match_context* matchContext()
{
    static pcre2_match_context* context = [] {
        pcre2_match_context* c = pcre2_match_context_create(nullptr);
        if (c)
            pcre2_jit_stack_assign(c, threadJitStack, nullptr);
        return c;
    }();
    return context;
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

struct RegExp::Impl
{
    std::u16string pattern;
    bool ignoreCase = false;
    bool global = false;

    // Compiled form of pattern with ignoreCase; rebuilt when either changes.
    pcre2_code* code = nullptr;
    pcre2_match_data* data = nullptr;
    bool stale = true;
    bool jitTried = false;
    std::uint32_t groups = 0;

    ~Impl() { clear(); }

    void clear()
    {
        pcre2_match_data_free(data);
        pcre2_code_free(code);
        data = nullptr;
        code = nullptr;
    }

    int compile(std::u16string_view text, bool caseless)
    {
        // Unknown escapes are letters of their own, but a backslash with nothing after it
        // is a syntax error, as in JScript.
        std::size_t backslashes = 0;
        while (backslashes < text.size() && text[text.size() - 1 - backslashes] == u'\\')
            ++backslashes;
        if (backslashes % 2)
            return kRegExpSyntax;
        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code* compiled = pcre2_compile(units(text), text.size(),
                                             kCompileOptions | (caseless ? PCRE2_CASELESS : 0),
                                             &error, &offset, compileContext());
        if (!compiled)
            return compileError(error);
        pcre2_match_data* matchData = pcre2_match_data_create_from_pattern(compiled, nullptr);
        if (!matchData) {
            pcre2_code_free(compiled);
            return kRegExpOutOfMemory;
        }
        clear();
        code = compiled;
        data = matchData;
        pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &groups);
        stale = false;
        jitTried = false;
        return 0;
    }

    // Makes sure code is current and JIT-compiled (when JIT is available at all).
    int prepare()
    {
        if (stale)
            if (const int rc = compile(pattern, ignoreCase))
                return rc;
        if (!jitTried) {
            jitTried = true;
            pcre2_jit_compile(code, PCRE2_JIT_COMPLETE); // the interpreter runs otherwise
        }
        return 0;
    }

    // Searches text from start. Returns 1 with the match in ovector(), 0 for none, or an
    // error code.
    int search(std::u16string_view text, std::size_t start)
    {
        const int rc = pcre2_match(code, units(text), text.size(), start, 0, data, matchContext());
        if (rc == PCRE2_ERROR_NOMATCH)
            return 0;
        return rc < 0 ? matchError(rc) : 1;
    }

    const PCRE2_SIZE* ovector() const { return pcre2_get_ovector_pointer(data); }

    // Appends the replacement with its $ references expanded for the current match, as
    // JScript does: $nn is read as two digits only when group nn exists, else as $n and a
    // literal digit; a reference to a group that does not exist stays as written.
    void expand(std::u16string& out, std::u16string_view repl, std::u16string_view text) const
    {
        const PCRE2_SIZE* ov = ovector();
        const std::size_t begin = ov[0];
        const std::size_t end = ov[1];
        for (std::size_t i = 0; i < repl.size(); ++i) {
            const char16_t c = repl[i];
            if (c != u'$' || i + 1 == repl.size()) {
                out += c;
                continue;
            }
            const char16_t d = repl[i + 1];
            if (d == u'$') {
                out += u'$';
            } else if (d == u'&') {
                out.append(text.substr(begin, end - begin));
            } else if (d == u'`') {
                out.append(text.substr(0, begin));
            } else if (d == u'\'') {
                out.append(text.substr(end));
            } else if (isDigit(d)) {
                std::uint32_t group = d - u'0';
                std::size_t length = 1;
                if (i + 2 < repl.size() && isDigit(repl[i + 2])) {
                    const std::uint32_t two = group * 10 + (repl[i + 2] - u'0');
                    if (two >= 1 && two <= groups) {
                        group = two;
                        length = 2;
                    }
                }
                if (group < 1 || group > groups) {
                    out += u'$';
                    continue;
                }
                if (ov[2 * group] != PCRE2_UNSET)
                    out.append(text.substr(ov[2 * group], ov[2 * group + 1] - ov[2 * group]));
                i += length;
                continue;
            } else {
                out += u'$';
                continue;
            }
            ++i;
        }
    }

    int replace(std::u16string_view text, std::u16string_view repl, std::u16string& out,
                bool* matched)
    {
        std::u16string result;
        std::size_t copied = 0; // text before this is in result
        std::size_t start = 0;
        bool any = false;
        for (;;) {
            const int rc = search(text, start);
            if (rc < 0)
                return rc;
            if (rc == 0)
                break;
            any = true;
            const std::size_t begin = ovector()[0];
            const std::size_t end = ovector()[1];
            if (begin < copied || end < begin || end > text.size())
                return kRegExpFailed; // only \K tricks could get here
            result.append(text.substr(copied, begin - copied));
            expand(result, repl, text);
            copied = end;
            if (!global)
                break;
            start = end;
            if (begin == end) {
                if (end == text.size())
                    break;
                // Past the empty match by one character, keeping surrogate pairs whole.
                const bool pair = end + 1 < text.size() && (text[end] & 0xFC00) == 0xD800 &&
                                  (text[end + 1] & 0xFC00) == 0xDC00;
                start += pair ? 2 : 1;
            }
        }
        if (matched) {
            *matched = any;
            if (!any)
                return 0; // out as it was: the text itself
        }
        result.append(text.substr(copied));
        out = std::move(result);
        return 0;
    }
};

RegExp::RegExp() : m_impl(new (std::nothrow) Impl) {}
RegExp::~RegExp() = default;
RegExp::RegExp(RegExp&&) noexcept = default;
RegExp& RegExp::operator=(RegExp&&) noexcept = default;

int RegExp::status() const
{
    return m_impl && compileContext() && matchContext() ? 0 : kRegExpOutOfMemory;
}

int RegExp::setPattern(std::u16string_view pattern)
{
    if (const int rc = status())
        return rc;
    try {
        std::u16string copy(pattern);
        if (const int rc = m_impl->compile(copy, m_impl->ignoreCase))
            return rc;
        m_impl->pattern = std::move(copy);
        return 0;
    } catch (const std::bad_alloc&) {
        return kRegExpOutOfMemory;
    }
}

void RegExp::setIgnoreCase(bool on)
{
    if (m_impl && m_impl->ignoreCase != on) {
        m_impl->ignoreCase = on;
        m_impl->stale = true;
    }
}

void RegExp::setGlobal(bool on)
{
    if (m_impl)
        m_impl->global = on;
}

const std::u16string& RegExp::pattern() const
{
    static const std::u16string none;
    return m_impl ? m_impl->pattern : none;
}

bool RegExp::ignoreCase() const
{
    return m_impl && m_impl->ignoreCase;
}

bool RegExp::global() const
{
    return m_impl && m_impl->global;
}

int RegExp::test(std::u16string_view text, bool& matched)
{
    matched = false;
    if (const int rc = status())
        return rc;
    if (const int rc = m_impl->prepare())
        return rc;
    const int rc = m_impl->search(text, 0);
    matched = rc == 1;
    return rc < 0 ? rc : 0;
}

int RegExp::replace(std::u16string_view text, std::u16string_view replacement, std::u16string& out,
                    bool* matched)
{
    if (const int rc = status())
        return rc;
    if (const int rc = m_impl->prepare())
        return rc;
    try {
        return m_impl->replace(text, replacement, out, matched);
    } catch (const std::bad_alloc&) {
        return kRegExpOutOfMemory;
    }
}

} // namespace platform
