#include "sortwell/text_table.h"

#include "platform/codepage.h"
#include "platform/regexp.h"
#include "store/log_container.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace sortwell {
namespace {

constexpr std::string_view kExact = "[MapString]";
constexpr std::string_view kRegexp = "[MapStringRegexpNow]";

bool listLess(const std::string& a, const std::string& b)
{
    return platform::compareDictionary(a, b) < 0;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Lines of a group file: white space is skipped before each, and each ends at CR or LF.
class LineReader
{
  public:
    explicit LineReader(std::string_view bytes) : m_bytes(bytes) {}
    bool atEnd()
    {
        skipSpace();
        return m_at >= m_bytes.size();
    }
    std::string_view line()
    {
        skipSpace();
        const std::size_t start = m_at;
        while (m_at < m_bytes.size() && m_bytes[m_at] != '\r' && m_bytes[m_at] != '\n')
            m_at = platform::nextChar(m_bytes.data() + m_at, m_bytes.data() + m_bytes.size()) -
                   m_bytes.data();
        return m_bytes.substr(start, m_at - start);
    }

  private:
    void skipSpace()
    {
        while (m_at < m_bytes.size() && isSpace(m_bytes[m_at]))
            ++m_at;
    }
    std::string_view m_bytes;
    std::size_t m_at = 0;
};

} // namespace

TextKind kindOf(std::string_view text)
{
    if (!text.empty() && text[0] == '/')
        return TextKind::Path;
    if (!text.empty() && text[0] == 'h')
        return TextKind::Address;
    return TextKind::Other;
}

void TextTable::clear()
{
    m_texts.clear();
    m_groups.clear();
    m_fullReferers.clear();
    m_counter = 0;
    m_totalsValid = false;
}

void TextTable::fillFrom(const store::LogContainer& log)
{
    clear();
    std::unordered_map<std::string_view, std::uint32_t> requests, referers;
    std::unordered_set<std::string_view> seenRequests, seenReferers;
    std::unordered_set<std::string> seenFull;
    for (const store::VisitorEntry& v : log.Visitors) {
        seenRequests.clear();
        seenReferers.clear();
        seenFull.clear();
        for (std::uint32_t h = 0; h < v.count; ++h) {
            const store::Fragment* f = v.first[h].fragment;
            if (!f)
                continue;
            if (f->req && f->req->text && *f->req->text && seenRequests.insert(f->req->text).second)
                ++requests[f->req->text];
            const char* ref = f->ref ? f->ref->text : nullptr;
            if (!ref || !*ref || *ref == '/')
                continue; // no referer, or a page of the site itself
            if (seenReferers.insert(ref).second)
                ++referers[ref];
            std::string address = ref;
            if (f->refq && f->refq->text && *f->refq->text) {
                address += '?';
                address += f->refq->text;
            }
            if (seenFull.insert(address).second)
                ++m_fullReferers[ref][address];
        }
    }
    for (const auto& [text, count] : requests) {
        TextEntry& e = m_texts[std::string(text)];
        e.count = count;
        e.request = true;
    }
    for (const auto& [text, count] : referers) {
        TextEntry& e = m_texts[std::string(text)];
        e.count = std::max(e.count, count);
        e.referer = true;
    }
}

void TextTable::addText(const std::string& text, std::uint32_t count, bool request)
{
    TextEntry& e = m_texts[text];
    e.count = count;
    (request ? e.request : e.referer) = true;
    m_totalsValid = false;
}

const TextEntry* TextTable::find(const std::string& text) const
{
    const auto found = m_texts.find(text);
    return found == m_texts.end() ? nullptr : &found->second;
}

TextEntry& TextTable::entry(const std::string& text, bool requestSide)
{
    m_totalsValid = false;
    TextEntry& e = m_texts[text];
    if (!e.request && !e.referer)
        (requestSide ? e.request : e.referer) = true;
    return e;
}

void TextTable::assign(TextEntry& e, const std::string& group)
{
    e.group = group;
    e.number = ++m_counter;
    m_totalsValid = false;
}

bool TextTable::holds(const std::string& group, const std::string& text) const
{
    // Walks up from text through its groups; the table never holds a cycle.
    std::string at = text;
    for (std::size_t steps = 0; steps <= m_texts.size(); ++steps) {
        const TextEntry* e = find(at);
        if (!e || e->group.empty())
            return false;
        if (e->group == group)
            return true;
        at = e->group;
    }
    return false;
}

std::uint64_t TextTable::total(const std::string& text) const
{
    if (!m_totalsValid) {
        // Each count goes to its text and to every group above it (the table holds no cycle).
        m_totals.clear();
        for (const auto& [name, e] : m_texts) {
            m_totals[name] += e.count;
            std::string at = e.group;
            for (std::size_t steps = 0; !at.empty() && steps < m_texts.size(); ++steps) {
                m_totals[at] += e.count;
                const auto up = m_texts.find(at);
                at = up == m_texts.end() ? std::string() : up->second.group;
            }
        }
        m_totalsValid = true;
    }
    const auto found = m_totals.find(text);
    return found == m_totals.end() ? 0 : found->second;
}

std::vector<std::string> TextTable::ungrouped(Mode mode) const
{
    std::vector<std::string> out;
    for (const auto& [text, e] : m_texts) {
        if (!e.group.empty())
            continue;
        if (mode == Mode::Request ? e.request : (e.referer && kindOf(text) != TextKind::Path))
            out.push_back(text);
    }
    std::sort(out.begin(), out.end(), listLess);
    return out;
}

std::vector<std::string> TextTable::members(const std::string& group) const
{
    std::vector<std::string> out;
    for (const auto& [text, e] : m_texts)
        if (e.group == group)
            out.push_back(text);
    std::sort(out.begin(), out.end(), listLess);
    return out;
}

std::vector<std::string> TextTable::groupsOf(Mode mode) const
{
    std::vector<std::string> out;
    for (const std::string& g : m_groups)
        if ((mode == Mode::Request) == (kindOf(g) == TextKind::Path))
            out.push_back(g);
    std::sort(out.begin(), out.end(), listLess);
    return out;
}

bool TextTable::createGroup(const std::string& name)
{
    if (name.empty() || !m_groups.insert(name).second)
        return false;
    entry(name, kindOf(name) == TextKind::Path);
    return true;
}

std::size_t TextTable::moveInto(const std::vector<std::string>& texts, const std::string& group)
{
    if (!isGroup(group))
        return 0;
    std::size_t moved = 0;
    for (const std::string& text : texts) {
        const auto found = m_texts.find(text);
        if (found == m_texts.end() || text == group || found->second.group == group)
            continue;
        if (isGroup(text) && holds(text, group))
            continue; // the target lies inside this group
        assign(found->second, group);
        ++moved;
    }
    return moved;
}

std::size_t TextTable::takeOut(const std::vector<std::string>& texts)
{
    std::size_t taken = 0;
    for (const std::string& text : texts) {
        const auto found = m_texts.find(text);
        if (found == m_texts.end() || found->second.group.empty())
            continue;
        assign(found->second, {});
        ++taken;
    }
    return taken;
}

bool TextTable::rename(const std::string& from, const std::string& to)
{
    if (!isGroup(from) || from == to || !createGroup(to))
        return false;
    for (const std::string& member : members(from))
        assign(m_texts[member], to);
    TextEntry& old = m_texts[from];
    TextEntry& renamed = m_texts[to];
    renamed.regexp = std::move(old.regexp);
    old.regexp.clear();
    if (!old.group.empty()) {
        renamed.group = old.group;
        renamed.number = old.number;
    }
    m_groups.erase(from);
    // A name that was only a group's goes; a text of the log stays, in no group.
    if (old.count == 0)
        m_texts.erase(from);
    else
        old.group.clear();
    return true;
}

bool TextTable::setExpression(const std::string& group, const std::string& expression)
{
    if (!isGroup(group))
        return false;
    TextEntry& e = m_texts[group];
    if (e.regexp == expression)
        return false;
    e.regexp = expression;
    e.number = ++m_counter;
    return true;
}

void TextTable::removeAllGroups()
{
    for (auto& [text, e] : m_texts)
        if (!e.group.empty())
            assign(e, {});
    // Names that were only groups' go; texts of the log stay, in no group.
    for (const std::string& group : m_groups) {
        TextEntry& g = m_texts[group];
        g.regexp.clear();
        if (g.count == 0)
            m_texts.erase(group);
    }
    m_groups.clear();
}

std::size_t TextTable::applyGroupFile(std::string_view bytes)
{
    LineReader lines(bytes);
    std::size_t taken = 0;
    while (!lines.atEnd()) {
        const std::string_view kind = lines.line();
        const std::string pattern(lines.line());
        const std::string group(lines.line());
        const bool regexp = kind == kRegexp;
        if ((!regexp && kind != kExact) || group.empty())
            continue;
        ++taken;
        createGroup(group);
        if (regexp) {
            TextEntry& g = m_texts[group];
            g.regexp = pattern;
            g.number = ++m_counter;
            platform::RegExp re;
            if (re.setPattern(platform::cp932ToUtf16(pattern)) != 0)
                continue; // kept, so that the user sees it and can mend it; collects nothing
            std::vector<std::string> matched;
            for (const auto& [text, e] : m_texts) {
                if (!e.group.empty() || text == group || text[0] != group[0])
                    continue;
                bool match = false;
                if (re.test(platform::cp932ToUtf16(text), match) != 0)
                    break;
                if (match)
                    matched.push_back(text);
            }
            moveInto(matched, group);
        } else {
            if (pattern.empty())
                continue;
            TextEntry& e = entry(pattern, kindOf(group) == TextKind::Path);
            if (e.group.empty() && pattern != group && !(isGroup(pattern) && holds(pattern, group)))
                assign(e, group);
        }
    }
    return taken;
}

std::string TextTable::groupFile() const
{
    struct Line
    {
        std::uint64_t number;
        bool regexp;
        const std::string* pattern;
        const std::string* group;
    };
    std::vector<Line> entries;
    for (const auto& [text, e] : m_texts) {
        if (!e.group.empty())
            entries.push_back({e.number, false, &text, &e.group});
        if (!e.regexp.empty() && isGroup(text))
            entries.push_back({e.number, true, &e.regexp, &text});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Line& a, const Line& b) { return a.number < b.number; });
    std::string out;
    for (const Line& l : entries) {
        out += l.regexp ? kRegexp : kExact;
        out += "\r\n";
        out += *l.pattern;
        out += "\r\n";
        out += *l.group;
        out += "\r\n\r\n";
    }
    return out;
}

std::string TextTable::proposeName(Mode mode) const
{
    const std::string stem = platform::utf8ToCp932(
        mode == Mode::Request ? "/新しいRequestグループ" : "http://新しいRefererグループ");
    for (int n = 1;; ++n) {
        std::string name = stem + std::to_string(n);
        if (!isGroup(name))
            return name;
    }
}

NameCheck TextTable::checkName(Mode mode, const std::string& name, const std::string& current) const
{
    NameCheck check;
    const bool rightStart = mode == Mode::Request
                                ? name.rfind('/', 0) == 0
                                : name.rfind("http://", 0) == 0 || name.rfind("https://", 0) == 0;
    if (!name.empty() && !rightStart)
        check.note = mode == Mode::Request
                         ? "Requestグループ名は'/'で始めてください"
                         : "グループ名は\"http://\", \"https://\"で始めてください";
    else if (name != current && isGroup(name))
        check.note = "同一の名前が使用されています";
    check.ok = !name.empty() && rightStart && name != current && !isGroup(name);
    return check;
}

std::vector<std::pair<std::string, std::uint32_t>>
TextTable::fullReferers(const std::string& text) const
{
    std::map<std::string, std::uint32_t> sum;
    std::vector<std::string> todo{text};
    std::set<std::string> done;
    while (!todo.empty()) {
        const std::string at = todo.back();
        todo.pop_back();
        if (!done.insert(at).second)
            continue;
        if (const auto found = m_fullReferers.find(at); found != m_fullReferers.end())
            for (const auto& [address, n] : found->second)
                sum[address] += n;
        if (isGroup(at))
            for (std::string& member : members(at))
                todo.push_back(std::move(member));
    }
    std::vector<std::pair<std::string, std::uint32_t>> out(sum.begin(), sum.end());
    std::stable_sort(out.begin(), out.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return out;
}

std::vector<std::size_t> matchingRows(const std::vector<std::string>& texts,
                                      const std::string& pattern, int& error)
{
    std::vector<std::size_t> rows;
    platform::RegExp re;
    error = re.setPattern(platform::cp932ToUtf16(pattern));
    if (error)
        return rows;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        bool match = false;
        if ((error = re.test(platform::cp932ToUtf16(texts[i]), match)) != 0)
            break;
        if (match)
            rows.push_back(i);
    }
    return rows;
}

} // namespace sortwell
