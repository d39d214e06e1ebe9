#include "report/open_view.h"

#include "filters/chain.h"
#include "filters/kinds.h"
#include "platform/codepage.h"

#include <cctype>
#include <cstdlib>

namespace report {

store::ViewState ViewGroup::paneState() const
{
    store::ViewState state;
    state.flags = flags;
    for (const std::string& text : texts)
        state.texts.push_back(platform::utf8ToCp932(text));
    state.numbers = numbers;
    return state;
}

store::ViewState OpenView::periodState() const
{
    store::ViewState state;
    state.numbers = {from, to};
    return state;
}

std::vector<std::string> OpenView::classNames() const
{
    std::vector<std::string> names;
    for (const ViewGroup& g : groups)
        names.push_back(g.className());
    return names;
}

OpenView parseOpenView(const std::vector<JsValue>& args)
{
    using Type = JsValue::Type;
    OpenView call;
    const auto is = [&](std::size_t i, Type type) {
        return i < args.size() && args[i].type == type;
    };
    if (!is(0, Type::Text))
        return call;
    if (args[0].text == "referer") {
        if (is(1, Type::Int)) {
            call.action = OpenView::Action::Referer;
            call.referer = static_cast<std::uint32_t>(args[1].number);
        }
        return call;
    }
    if (!is(1, Type::Int) || !is(2, Type::Int) || !is(3, Type::Text))
        return call;
    call.from = static_cast<std::uint32_t>(args[1].number);
    call.to = static_cast<std::uint32_t>(args[2].number);
    call.graph = args[3].text;
    // Groups: kind, flags, items up to a null; a group without its null ends the list.
    std::size_t i = 4;
    while (i + 1 < args.size() && is(i, Type::Text) && is(i + 1, Type::Text)) {
        ViewGroup group{args[i].text, args[i + 1].text, {}, {}};
        std::size_t j = i + 2;
        for (; j < args.size() && args[j].type != Type::Null; ++j) {
            if (args[j].type == Type::Text)
                group.texts.push_back(args[j].text);
            else
                group.numbers.push_back(static_cast<std::uint32_t>(args[j].number));
        }
        if (j >= args.size())
            break;
        call.groups.push_back(std::move(group));
        i = j + 1;
    }
    if (call.groups.size() > static_cast<std::size_t>(filters::kMaxPanes))
        return {};
    for (const ViewGroup& g : call.groups)
        if (!filters::kindOfClass(g.className()))
            return {};
    call.action = OpenView::Action::Chain;
    return call;
}

namespace {

struct LinkReader
{
    std::string_view s;
    std::size_t at = 0;

    void skipSpace()
    {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\r' || s[at] == '\n'))
            ++at;
    }
    bool take(std::string_view word)
    {
        skipSpace();
        if (s.substr(at, word.size()) != word)
            return false;
        at += word.size();
        return true;
    }
    std::optional<JsValue> value()
    {
        skipSpace();
        if (at >= s.size())
            return std::nullopt;
        if (s[at] == '\'')
            return text();
        if (take("null"))
            return JsValue::null();
        return integer();
    }
    std::optional<JsValue> text()
    {
        std::string out;
        for (++at; at < s.size(); ++at) {
            const char c = s[at];
            if (c == '\'') {
                ++at;
                return JsValue::string(std::move(out));
            }
            if (c == '\\') {
                if (++at >= s.size())
                    return std::nullopt;
                out += s[at];
            } else {
                out += c;
            }
        }
        return std::nullopt;
    }
    std::optional<JsValue> integer()
    {
        const bool negative = s[at] == '-';
        if (negative)
            ++at;
        int base = 10;
        if (s.substr(at, 2) == "0x" || s.substr(at, 2) == "0X") {
            base = 16;
            at += 2;
        }
        std::uint64_t n = 0;
        const std::size_t start = at;
        for (; at < s.size() && std::isxdigit(static_cast<unsigned char>(s[at])); ++at) {
            const char c = s[at];
            const int digit = std::isdigit(static_cast<unsigned char>(c))
                                  ? c - '0'
                                  : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
            if (digit >= base)
                return std::nullopt;
            n = n * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
            if (n > 0xFFFFFFFFull)
                return std::nullopt;
        }
        if (at == start)
            return std::nullopt;
        const std::uint32_t bits =
            negative ? static_cast<std::uint32_t>(0u - static_cast<std::uint32_t>(n))
                     : static_cast<std::uint32_t>(n);
        return JsValue::integer(static_cast<std::int32_t>(bits));
    }
};

} // namespace

std::optional<std::vector<JsValue>> linkArguments(std::string_view href)
{
    LinkReader r{href};
    r.take("javascript:");
    r.take("openView");
    if (!r.take("("))
        return std::nullopt;
    std::vector<JsValue> args;
    if (!r.take(")")) {
        for (;;) {
            std::optional<JsValue> v = r.value();
            if (!v)
                return std::nullopt;
            args.push_back(std::move(*v));
            if (r.take(")"))
                break;
            if (!r.take(","))
                return std::nullopt;
        }
    }
    r.take(";");
    r.skipSpace();
    if (r.at != href.size())
        return std::nullopt;
    return args;
}

} // namespace report
