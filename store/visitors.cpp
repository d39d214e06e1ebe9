// Site detection, own-site referers, host grouping, visitors and host texts.

#include "hosts/host_names.h"
#include "platform/codepage.h"
#include "platform/parallel.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "store/load_steps.h"

#include <algorithm>
#include <arpa/inet.h>
#include <bit>
#include <cstring>
#include <map>
#include <memory>
#include <numeric>
#include <unordered_map>

namespace store {
namespace {

constexpr std::uint32_t kChainWindow = 900;     // seconds between two links of a chain
constexpr std::uint32_t kIdleLimit = 900;       // a visit ends after 15 idle minutes
constexpr std::size_t kRecordsPerPart = 200000; // the fewest records a thread is given

// Sorts records by key (0 .. keys - 1) and keeps records of equal key in the order they
// came: the order of the analysed log decides a visitor's entry page, exit page and the
// referers of requests made within one second. A radix sort of at most 11 bits a pass: each
// pass writes to few enough places at once to stay in the caches, whatever the keys.
template <typename Key> void stableSortBy(Records& records, std::uint64_t keys, Key key)
{
    const std::size_t n = records.size();
    const int bits = keys > 1 ? std::bit_width(keys - 1) : 0;
    if (n < 2 || bits == 0)
        return;
    const int passes = (bits + 10) / 11;
    const int digitBits = (bits + passes - 1) / passes;
    const std::size_t buckets = std::size_t(1) << digitBits;
    Records spare(n);
    LogRecord* from = records.data();
    LogRecord* to = spare.data();
    std::vector<std::size_t> start(buckets + 1);
    for (int pass = 0; pass < passes; ++pass) {
        const int shift = pass * digitBits;
        auto digit = [&](const LogRecord& r) {
            return std::size_t(std::uint64_t(key(r)) >> shift) & (buckets - 1);
        };
        std::fill(start.begin(), start.end(), 0);
        for (std::size_t i = 0; i < n; ++i)
            ++start[digit(from[i]) + 1];
        for (std::size_t b = 1; b <= buckets; ++b)
            start[b] += start[b - 1];
        for (std::size_t i = 0; i < n; ++i)
            to[start[digit(from[i])]++] = from[i];
        std::swap(from, to);
    }
    if (from != records.data())
        std::copy(from, from + n, records.data());
}

} // namespace

std::string LoadContext::dataFile(const std::string& name) const
{
    return platform::joinPath(dataFolder, name);
}

std::size_t refererPathStart(const char* s)
{
    const std::size_t length = std::strlen(s);
    std::size_t p = 7;
    if (p >= length)
        return length;
    if (s[p] == '/')
        ++p;
    const char* slash = static_cast<const char*>(std::memchr(s + p, '/', length - p));
    return slash ? static_cast<std::size_t>(slash - s) : length;
}

bool prefixCovers(const std::string& prefix, const char* url)
{
    if (!url || std::strncmp(url, prefix.c_str(), prefix.size()) != 0)
        return false;
    const char next = url[prefix.size()];
    return next == '\0' || next == '/' || next == '?' || next == '#';
}

void sortByTime(LoadContext& ctx)
{
    auto& records = ctx.log.Rec2;
    if (records.empty())
        return;
    std::uint32_t first = records.front().time, last = first;
    bool ascending = true;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const std::uint32_t t = records[i].time;
        ascending = ascending && records[i - 1].time <= t;
        first = std::min(first, t);
        last = std::max(last, t);
    }
    if (ascending)
        return; // one log read from its start: already in order
    stableSortBy(records, std::uint64_t(last) - first + 1,
                 [first](const LogRecord& r) { return r.time - first; });
}

int detectSite(LoadContext& ctx)
{
    LogContainer& log = ctx.log;
    const auto& records = log.Rec2;
    // Each record's predecessor of the same host: the walk back only ever links records of
    // one host, so it can skip the others.
    std::vector<std::uint32_t, platform::BigAllocator<std::uint32_t>> previous(records.size());
    {
        std::vector<std::uint32_t> last(log.Host.size(), UINT32_MAX);
        for (std::size_t i = 0; i < records.size(); ++i) {
            const std::size_t h = static_cast<std::size_t>(records[i].host - log.Host.data());
            previous[i] = last[h];
            last[h] = static_cast<std::uint32_t>(i);
        }
    }
    // Votes are counted per referer entry first and summed per prefix at the end; the
    // prefix length of each referer is found first. The records are cut into parts that
    // count side by side, each into votes of its own.
    const RefEntry* refs = log.Ref.data();
    std::vector<std::uint32_t> prefixLength(log.Ref.size(), 0);
    for (std::size_t i = 0; i < log.Ref.size(); ++i)
        if (refs[i].text)
            prefixLength[i] = static_cast<std::uint32_t>(refererPathStart(refs[i].text));
    const unsigned parts = platform::partCount(records.size(), kRecordsPerPart);
    std::vector<std::vector<std::uint32_t>> partVotes(parts);
    platform::runRanges(
        records.size(), parts, [&](unsigned part, std::size_t begin, std::size_t end) {
            std::vector<std::uint32_t>& votes = partVotes[part];
            votes.assign(log.Ref.size(), 0);
            for (std::size_t k = end; k-- > begin;) {
                if ((k & 0xFFFF) == 0 && ctx.cancelled())
                    break;
                const RefEntry* ref = records[k].fragment->ref;
                const char* s = ref->text;
                if (!s)
                    continue;
                const std::size_t length = prefixLength[static_cast<std::size_t>(ref - refs)];
                const char* path = s + length;
                std::uint32_t t = records[k].time;
                int count = 0;
                for (std::uint32_t e = previous[k]; e != UINT32_MAX && count < 2; e = previous[e]) {
                    const LogRecord& rec = records[e];
                    if (t - rec.time > kChainWindow)
                        break;
                    const char* r = rec.fragment->ref->text;
                    const char* request = rec.fragment->req->text;
                    if (!r || !request || (r != s && std::strncmp(r, s, length) != 0))
                        continue;
                    if (std::strcmp(request, path) != 0 || std::strcmp(request, r + length) == 0)
                        continue;
                    ++count;
                    path = r + length;
                    t = rec.time;
                }
                if (count == 2)
                    ++votes[static_cast<std::size_t>(ref - refs)];
            }
        });
    std::vector<std::uint32_t>& votes = partVotes[0];
    for (unsigned part = 1; part < parts; ++part)
        for (std::size_t i = 0; i < votes.size(); ++i)
            votes[i] += partVotes[part][i];
    std::map<std::string, std::uint32_t> candidates; // byte-wise order
    for (std::size_t i = 0; i < votes.size(); ++i)
        if (votes[i])
            candidates[std::string(refs[i].text, prefixLength[i])] += votes[i];
    std::uint32_t best = 0;
    const std::string* site = nullptr;
    for (const auto& [prefix, count] : candidates) {
        log.LocalSitePrefixes.push_back(prefix);
        platform::trace("%d\t%s", int(count), prefix.c_str());
        if (!site || count > best) {
            site = &prefix;
            best = count;
        }
    }
    if (log.LocalSitePrefixes.empty() || !site || site->empty())
        return 232;
    const auto scheme = site->find("://");
    log.LocalSite = scheme == std::string::npos ? *site : site->substr(scheme + 3);
    platform::trace("\tLocalSite=%s", log.LocalSite.c_str());
    return 0;
}

void fixLocalReferers(LoadContext& ctx)
{
    // Site paths share one text object with the request path of the same text.
    std::unordered_map<std::string_view, const char*> paths;
    for (const ReqEntry& r : ctx.log.Req)
        if (r.text)
            paths.emplace(r.text, r.text);
    for (RefEntry& ref : ctx.log.Ref) {
        if (ctx.cancelled())
            break;
        if (!ref.text)
            continue;
        for (const std::string& prefix : ctx.log.LocalSitePrefixes) {
            if (!prefixCovers(prefix, ref.text))
                continue;
            const char* rest = ref.text + prefix.size();
            const std::string_view path = *rest ? std::string_view(rest) : std::string_view("/");
            auto it = paths.find(path);
            if (it == paths.end())
                it = paths.emplace(path, ctx.pool.intern(path)).first;
            ref.text = it->second;
            break;
        }
    }
}

void sortByHost(LoadContext& ctx)
{
    // Records are in time order here, so a stable sort by host alone puts each host's
    // records in time order, and those of one second in the order of the log.
    const HostEntry* hosts = ctx.log.Host.data();
    stableSortBy(ctx.log.Rec2, ctx.log.Host.size(),
                 [hosts](const LogRecord& r) { return std::size_t(r.host - hosts); });
}

void buildVisitors(LoadContext& ctx)
{
    auto& records = ctx.log.Rec2;
    auto& visitors = ctx.log.Visitors;
    visitors.clear();
    for (std::size_t i = 0; i < records.size();) {
        if ((i & 0xFFFF) == 0 && ctx.cancelled())
            break;
        std::size_t j = i + 1;
        while (j < records.size() && records[j].host == records[i].host &&
               records[j].time - records[j - 1].time <= kIdleLimit)
            ++j;
        visitors.push_back({&records[i], static_cast<std::uint32_t>(j - i), 0});
        i = j;
    }
    platform::trace("nVisitor=%d", int(visitors.size()));
}

void convertHostTexts(LoadContext& ctx)
{
    auto& hosts = ctx.log.Host;
    std::string name;
    for (HostEntry& h : hosts) {
        if (ctx.cancelled())
            break;
        const char* text = h.name;
        if (!text)
            continue;
        if (*text && std::strspn(text, "0123456789.") == std::strlen(text)) {
            const in_addr_t a = ::inet_addr(text);
            // inet_addr answers "all ones" for texts it cannot read; only the real
            // broadcast address may give that value.
            if (a != 0 && (a != INADDR_NONE || std::strcmp(text, "255.255.255.255") == 0)) {
                h.address = ntohl(a);
                h.name = nullptr;
            }
            continue;
        }
        // Labels reversed and lower-cased: Host.Example.NET becomes net.example.host. The
        // dictionary text may be shared with other fields, so the result is a new text.
        name = hosts::reversedName(text);
        h.name = ctx.pool.intern(name);
    }
    // Host sorted by address; records follow their entries.
    std::vector<std::uint32_t> order(hosts.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return hosts[a].address < hosts[b].address;
    });
    std::vector<HostEntry> sorted(hosts.size());
    std::vector<std::uint32_t> newIndex(hosts.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        sorted[i] = hosts[order[i]];
        newIndex[order[i]] = i;
    }
    HostEntry* oldBase = hosts.data();
    hosts.swap(sorted);
    for (LogRecord& r : ctx.log.Rec2)
        r.host = &hosts[newIndex[static_cast<std::size_t>(r.host - oldBase)]];
}

std::size_t indexRecords(const LogContainer& log, RecordFragments& recFrg,
                         std::vector<std::uint32_t>& stay)
{
    const Records& records = log.Rec2;
    const std::vector<VisitorEntry>& visitors = log.Visitors;
    recFrg.resize(records.size());
    stay.resize(visitors.size());
    const unsigned parts = platform::partCount(records.size(), kRecordsPerPart);
    std::vector<std::size_t> outside(parts, 0);
    const Fragment* base = log.Frg2.data();
    const std::size_t fragments = log.Frg2.size();
    platform::runParts(parts, [&](unsigned part) {
        const std::size_t end = platform::partBegin(records.size(), part + 1, parts);
        for (std::size_t i = platform::partBegin(records.size(), part, parts); i < end; ++i) {
            const auto f = static_cast<std::size_t>(records[i].fragment - base);
            const bool in = f < fragments;
            recFrg[i] = in ? static_cast<std::uint32_t>(f) : LogContainer::kNoFragment;
            outside[part] += !in;
        }
        const std::size_t vend = platform::partBegin(visitors.size(), part + 1, parts);
        for (std::size_t v = platform::partBegin(visitors.size(), part, parts); v < vend; ++v) {
            const VisitorEntry& e = visitors[v];
            stay[v] = e.count ? e.first[e.count - 1].time - e.first[0].time : 0;
        }
    });
    std::size_t total = 0;
    for (const std::size_t n : outside)
        total += n;
    return total;
}

void LogContainer::IndexRecords()
{
    RecOutside = indexRecords(*this, RecFrg, VisitorStay);
}

} // namespace store
