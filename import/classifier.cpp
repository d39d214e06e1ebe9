#include "import/classifier.h"

#include "import/sievra.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace sievra {
namespace {

constexpr std::size_t kFieldMax = 1024;

// Fields longer than 1023 bytes keep their first 1024 and mark the line as truncated.
inline void cut(Span& span, std::uint32_t& flags)
{
    if (span.size() > kFieldMax - 1) {
        span.end = span.begin + kFieldMax;
        flags |= LA_F_TRUNCATED;
    }
}

inline bool startsWith(const Span& s, std::string_view prefix)
{
    return s.size() >= prefix.size() && std::memcmp(s.begin, prefix.data(), prefix.size()) == 0;
}

// Whether text[i..] begins with pattern.
inline bool at(const std::string& text, std::size_t i, std::string_view pattern)
{
    return text.compare(i, pattern.size(), pattern) == 0;
}

// Each "/./" becomes "/", searching again where the kept slash stands, so that "/././"
// collapses whole. One pass, written in place.
void collapseDotSegments(std::string& text)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (at(text, i, "/./"))
            i += 2;
        else
            text[out++] = text[i++];
    }
    text.resize(out);
}

// From position `from` on, each "//" becomes "/", searching again at the same place.
void collapseDoubleSlashes(std::string& text, std::size_t from)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (i >= from && at(text, i, "//"))
            ++i;
        else
            text[out++] = text[i++];
    }
    text.resize(out);
}

// Each "/../" at position a removes itself and the segment before it (from the last "/"
// before a, or from the start); the next search starts at position a of the shortened
// text, so what moved in before a is not searched again ("/a/b/../../c" gives
// "/a/../c"). Kept bytes are written once and every removal is paid for by the bytes it
// skips, so the whole is linear.
void resolveParentSegments(std::string& text)
{
    if (text.find("/../") == std::string::npos)
        return;
    const std::string in = text;
    std::string& out = text;
    out.clear();
    std::size_t i = 0;
    while (i < in.size()) {
        if (!at(in, i, "/../")) {
            out += in[i++];
            continue;
        }
        const std::size_t a = out.size();
        const std::size_t slash = out.rfind('/');
        const std::size_t s = slash == std::string::npos ? 0 : slash;
        out.resize(s);
        i += 3;
        // The bytes that now stand between s and a are kept without a search.
        const std::size_t skipped = std::min(a - s, in.size() - i);
        out.append(in, i, skipped);
        i += skipped;
    }
}

// A line's fragment before its texts: method, byte count and status, those the flags keep.
Fragment9 requestFragment(const LineFields& line, std::uint32_t flags)
{
    Fragment9 fragment;
    if (flags & LA_F_METHOD)
        fragment.method = line.method;
    if (flags & LA_F_BYTES)
        fragment.bytes = line.bytes;
    if (flags & LA_F_STATUS)
        fragment.status = line.status;
    return fragment;
}

} // namespace

void ClassifyOptions::addStatus(const char* text)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (value >= 1 && value <= 1000)
        statuses.set(static_cast<std::size_t>(value));
}

void ClassifyOptions::addMethod(std::string_view text)
{
    char key[4] = {' ', ' ', ' ', ' '};
    std::memcpy(key, text.data(), std::min<std::size_t>(4, text.size()));
    std::uint32_t value;
    std::memcpy(&value, key, 4);
    methods.push_back(value);
}

std::size_t ImportData::bytes() const
{
    return paths.bytes() + referers.bytes() + hosts.bytes() + users.bytes() + agents.bytes() +
           queries.bytes() + refQueries.bytes() + fragments.bytes() +
           pending.capacity() * sizeof(PendingRecord);
}

void normaliseUrl(std::string& text)
{
    if (const auto hash = text.find('#'); hash != std::string::npos)
        text.resize(hash);
    // Most texts are clean: nothing to do without "/." or "//".
    bool suspicious = false;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '/' && (text[i + 1] == '.' || text[i + 1] == '/')) {
            suspicious = true;
            break;
        }
    if (!suspicious)
        return;
    collapseDotSegments(text);
    // The scheme is looked at after "/./" is gone ("http:/./x" becomes "http://x").
    std::size_t k = 0;
    if (text.compare(0, 7, "http://") == 0)
        k = 7;
    else if (text.compare(0, 8, "https://") == 0)
        k = 8;
    collapseDoubleSlashes(text, k);
    resolveParentSegments(text);
}

bool Classifier::browserAgent(std::string_view agent, std::uint32_t hash)
{
    Verdict& v = m_verdicts[hash & (kVerdicts - 1)];
    if (v.known && v.agent == agent)
        return v.browser;
    bool browser = agent.starts_with("Mozilla/");
    if (browser) {
        const auto http = agent.find("http://");
        browser = !(http != std::string_view::npos && http + 7 < agent.size()) &&
                  agent.find("Orvane Vexilo") == std::string_view::npos &&
                  !(m_options.machines && m_options.machines->matches(agent));
    }
    v.agent.assign(agent);
    v.browser = browser;
    v.known = true;
    return browser;
}

bool Classifier::inList(const std::vector<std::string>& list, std::string_view text) const
{
    for (const auto& item : list)
        if (item.size() == text.size() && platform::equalNoCase(item, text))
            return true;
    return false;
}

void Classifier::foldDirectoryIndex(Span& span) const
{
    if (m_options.dirIndexes.empty())
        return;
    const char* slash = span.end;
    while (slash > span.begin && slash[-1] != '/')
        --slash;
    if (slash == span.begin || slash == span.end)
        return; // no "/" at all, or nothing after the last one
    if (inList(m_options.dirIndexes, {slash, static_cast<std::size_t>(span.end - slash)}))
        span.end = slash;
}

int Classifier::classify(LineFields& line, std::uint32_t& flags, ImportData& data)
{
    const int rc = prepare(line, flags, m_prepared);
    if (rc == 0)
        pool(m_prepared, flags, data);
    return rc;
}

bool Classifier::keepsRequest(const LineFields& line) const
{
    if (!line.host.present() || line.host.empty())
        return false;
    if (!line.path.present() || line.path.empty() || *line.path.begin != '/')
        return false;
    if (line.status > 1000 || !m_options.statuses.test(line.status))
        return false;
    if (std::find(m_options.methods.begin(), m_options.methods.end(), line.method) ==
        m_options.methods.end())
        return false;
    if (!m_options.skipExts.empty()) {
        // The extension of the path as it is stored: with its directory index folded away.
        Span path = line.path;
        foldDirectoryIndex(path);
        const char* p = path.end;
        while (p > path.begin && p[-1] != '/' && p[-1] != '.')
            --p;
        if (p > path.begin && p[-1] == '.' &&
            inList(m_options.skipExts, {p, static_cast<std::size_t>(path.end - p)}))
            return false;
    }
    return true;
}

int Classifier::prepare(LineFields& line, std::uint32_t& flags, PreparedLine& out)
{
    // Exclusions, on the raw spans: an excluded line costs no copy.
    if (!keepsRequest(line))
        return 1;
    if (!line.agent.present() || line.agent.empty())
        return 1;
    // The whole agent is hashed here: the verdict on it is looked up by it, and a stored
    // line pools the agent by it.
    const std::uint32_t agentHash = StringPool::hashOf(line.agent.view());
    if ((flags & LA_F_BROWSERS_ONLY) && !browserAgent(line.agent.view(), agentHash))
        return 1;
    foldDirectoryIndex(line.path);
    if (line.referer.present())
        foldDirectoryIndex(line.referer);

    // The line is stored.
    out.hasUser = (flags & LA_F_USER) && line.user.present() && line.user.size() > 1 &&
                  *line.user.begin != '-';
    cut(line.path, flags);
    out.path.assign(line.path.begin, line.path.size());
    normaliseUrl(out.path);

    out.hasQuery = (flags & LA_F_QUERY) && line.query.present() && !line.query.empty();
    if (out.hasQuery)
        cut(line.query, flags);
    out.hasReferer = (flags & LA_F_REFERER) && line.referer.present() && line.referer.size() > 7 &&
                     (startsWith(line.referer, "http://") || startsWith(line.referer, "https://"));
    out.hasRefQuery = false;
    if (out.hasReferer) {
        out.referer.assign(line.referer.begin, line.referer.size());
        const std::size_t hostStart = out.referer.find("://") + 3;
        std::size_t hostEnd = out.referer.find('/', hostStart);
        if (hostEnd == std::string::npos)
            hostEnd = out.referer.size();
        platform::toLowerAscii(out.referer.data() + hostStart, hostEnd - hostStart);
        normaliseUrl(out.referer);
        out.hasRefQuery =
            (flags & LA_F_REFQUERY) && line.refQuery.present() && !line.refQuery.empty();
        if (out.hasRefQuery)
            cut(line.refQuery, flags);
    }
    out.hasAgent = line.agent.size() > 1 && *line.agent.begin != '-';
    if (out.hasAgent)
        cut(line.agent, flags);
    out.fields = line;
    // The hashes are made here, where lines are prepared side by side.
    using P = PreparedLine;
    out.hash[P::kHost] = StringPool::hashOf(line.host.view());
    if (out.hasUser)
        out.hash[P::kUser] = StringPool::hashOf(line.user.view());
    out.hash[P::kPath] = StringPool::hashOf(out.path);
    if (out.hasQuery)
        out.hash[P::kQuery] = StringPool::hashOf(line.query.view());
    if (out.hasReferer)
        out.hash[P::kReferer] = StringPool::hashOf(out.referer);
    if (out.hasRefQuery)
        out.hash[P::kRefQuery] = StringPool::hashOf(line.refQuery.view());
    if (out.hasAgent) // the agent's first 1024 bytes when it was cut
        out.hash[P::kAgent] =
            line.agent.size() == kFieldMax ? StringPool::hashOf(line.agent.view()) : agentHash;
    return 0;
}

void Classifier::pool(const PreparedLine& p, std::uint32_t flags, ImportData& data) const
{
    const LineFields& line = p.fields;
    Fragment9 fragment = requestFragment(line, flags);
    using P = PreparedLine;
    const std::uint32_t host = data.hosts.intern(line.host.view(), p.hash[P::kHost]);
    if (p.hasUser)
        fragment.user = data.users.intern(line.user.view(), p.hash[P::kUser]);
    fragment.path = data.paths.intern(p.path, p.hash[P::kPath]);
    if (p.hasQuery)
        fragment.query = data.queries.intern(line.query.view(), p.hash[P::kQuery]);
    if (p.hasReferer) {
        fragment.referer = data.referers.intern(p.referer, p.hash[P::kReferer]);
        if (p.hasRefQuery)
            fragment.refQuery = data.refQueries.intern(line.refQuery.view(), p.hash[P::kRefQuery]);
    }
    if (p.hasAgent)
        fragment.agent = data.agents.intern(line.agent.view(), p.hash[P::kAgent]);
    data.pending.push_back(PendingRecord{line.time, host, data.fragments.insert(fragment)});
}

BatchTexts::BatchTexts()
{
    clear();
}

void BatchTexts::clear()
{
    for (Kind& kind : m_kinds) {
        kind.texts.assign(1, std::string_view());
        kind.hashes.assign(1, 0);
        if (kind.slots.size() != 256)
            kind.slots.assign(256, 0);
        else
            std::fill(kind.slots.begin(), kind.slots.end(), 0);
        kind.mask = 255;
    }
}

std::uint32_t BatchTexts::Kind::add(std::string_view text, std::uint32_t hash)
{
    if (text.empty())
        return 0;
    std::uint32_t i = hash & mask;
    for (;; i = (i + 1) & mask) {
        const std::uint32_t id = slots[i];
        if (!id)
            break;
        if (hashes[id] == hash && texts[id] == text)
            return id;
    }
    const auto id = static_cast<std::uint32_t>(texts.size());
    texts.push_back(text);
    hashes.push_back(hash);
    slots[i] = id;
    if (texts.size() * 2 > mask + 1) {
        const std::uint32_t size = (mask + 1) * 2;
        slots.assign(size, 0);
        mask = size - 1;
        for (std::uint32_t j = 1; j < texts.size(); ++j) {
            std::uint32_t s = hashes[j] & mask;
            while (slots[s])
                s = (s + 1) & mask;
            slots[s] = j;
        }
    }
    return id;
}

void BatchTexts::add(PreparedLine& p)
{
    using P = PreparedLine;
    const LineFields& line = p.fields;
    p.local[P::kHost] = m_kinds[P::kHost].add(line.host.view(), p.hash[P::kHost]);
    p.local[P::kUser] = p.hasUser ? m_kinds[P::kUser].add(line.user.view(), p.hash[P::kUser]) : 0;
    p.local[P::kPath] = m_kinds[P::kPath].add(p.path, p.hash[P::kPath]);
    p.local[P::kQuery] =
        p.hasQuery ? m_kinds[P::kQuery].add(line.query.view(), p.hash[P::kQuery]) : 0;
    p.local[P::kReferer] =
        p.hasReferer ? m_kinds[P::kReferer].add(p.referer, p.hash[P::kReferer]) : 0;
    p.local[P::kRefQuery] =
        p.hasReferer && p.hasRefQuery
            ? m_kinds[P::kRefQuery].add(line.refQuery.view(), p.hash[P::kRefQuery])
            : 0;
    p.local[P::kAgent] =
        p.hasAgent ? m_kinds[P::kAgent].add(line.agent.view(), p.hash[P::kAgent]) : 0;
}

Fragment9
Classifier::fragmentOf(const PreparedLine& p, std::uint32_t flags,
                       const std::vector<std::uint32_t> (&ids)[PreparedLine::kTexts]) const
{
    using P = PreparedLine;
    const LineFields& line = p.fields;
    Fragment9 fragment = requestFragment(line, flags);
    fragment.user = ids[P::kUser][p.local[P::kUser]];
    fragment.path = ids[P::kPath][p.local[P::kPath]];
    fragment.query = ids[P::kQuery][p.local[P::kQuery]];
    fragment.referer = ids[P::kReferer][p.local[P::kReferer]];
    fragment.refQuery = ids[P::kRefQuery][p.local[P::kRefQuery]];
    fragment.agent = ids[P::kAgent][p.local[P::kAgent]];
    return fragment;
}

ClassifyOptions classifyOptionsOf(const ImportOptions& options, std::uint32_t flags,
                                  std::unique_ptr<MachineAgents>& machines)
{
    const auto items = [](const char* list) {
        std::vector<std::string> out;
        for (const char* p = list; p && *p; p += std::strlen(p) + 1)
            out.emplace_back(p);
        return out;
    };
    ClassifyOptions o;
    o.flags = flags;
    o.skipExts = items(options.skipExts);
    o.dirIndexes = items(options.dirIndexes);
    for (const auto& s : items(options.statusCodes))
        o.addStatus(s.c_str());
    for (const auto& m : items(options.methods))
        o.addMethod(m);
    // Older callers pass a shorter record without the machine rules.
    const bool hasMachineRules =
        options.size >= offsetof(ImportOptions, machineRules) + sizeof options.machineRules;
    if ((flags & LA_F_BROWSERS_ONLY) && hasMachineRules && options.machineRules &&
        *options.machineRules) {
        machines = std::make_unique<MachineAgents>(rules::LoadRules(options.machineRules));
        if (!machines->empty())
            o.machines = machines.get();
    }
    return o;
}

} // namespace sievra
