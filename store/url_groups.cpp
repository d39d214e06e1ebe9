// URL groups, the dictionary rebuild, merged entries and the group names.

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/parallel.h"
#include "platform/regexp.h"
#include "platform/trace.h"
#include "store/cache_reader.h"
#include "store/load_steps.h"
#include "store/offset_index.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace store {
namespace {

constexpr std::size_t kTextsPerSortPart = 20000; // texts sorted in one part at least

template <typename T> std::size_t kiloBytes(const std::vector<T>& table)
{
    return table.size() * sizeof(T) >> 10;
}

// The fields that make two entries equal. Compared field by field, never as bytes: a
// struct's padding holds whatever its last copy left there.
inline auto fieldsOf(const RefQEntry& e)
{
    return std::tuple(e.text, e.word, e.rank);
}
inline auto fieldsOf(const AgntEntry& e)
{
    return std::tuple(e.text, e.os, e.browser);
}
inline auto fieldsOf(const Fragment& e)
{
    return std::tuple(e.req, e.query, e.ref, e.refq, e.agnt);
}

// Replaces a table by its distinct entries; returns old index -> new index. An
// open-addressing table of indices keeps the memory at a few bytes per entry.
template <typename T> std::vector<std::uint32_t> mergeTable(std::vector<T>& table)
{
    auto hashOf = [](const T& v) {
        std::size_t h = 0;
        std::apply(
            [&h](const auto&... field) {
                ((h = h * 0x9E3779B97F4A7C15ull +
                      std::hash<std::decay_t<decltype(field)>>()(field)),
                 ...);
            },
            fieldsOf(v));
        return h;
    };
    std::size_t capacity = 16;
    while (capacity < table.size() * 2)
        capacity *= 2;
    // First pass: each entry's new index; slots hold the first occurrence + 1.
    std::vector<std::uint32_t> slots(capacity, 0);
    std::vector<std::uint32_t> index(table.size());
    std::uint32_t distinct = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::size_t s = hashOf(table[i]) & (capacity - 1);
        while (slots[s] && fieldsOf(table[slots[s] - 1]) != fieldsOf(table[i]))
            s = (s + 1) & (capacity - 1);
        if (slots[s]) {
            index[i] = index[slots[s] - 1];
        } else {
            slots[s] = static_cast<std::uint32_t>(i + 1);
            index[i] = distinct++;
        }
    }
    slots = {};
    // Second pass: first occurrences, in the order their indices were given.
    std::vector<T> merged(distinct);
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < table.size(); ++i)
        if (index[i] == next)
            merged[next++] = table[i];
    table.swap(merged);
    return index;
}

// Calls f(pointer) for every text slot of the tables.
template <typename F> void eachTextSlot(LogContainer& log, F f)
{
    for (ReqEntry& e : log.Req) {
        f(e.text);
        f(e.group);
    }
    for (RefEntry& e : log.Ref) {
        f(e.text);
        f(e.group);
        f(e.engine);
    }
    for (RefQEntry& e : log.RefQ) {
        f(e.text);
        f(e.word);
    }
    for (AgntEntry& e : log.Agnt) {
        f(e.text);
        f(e.os);
        f(e.browser);
    }
    for (Fragment& fr : log.Frg2)
        f(fr.query);
    for (HostEntry& h : log.Host)
        f(h.name);
}

} // namespace

int applyUrlGroups(LoadContext& ctx)
{
    LogContainer& log = ctx.log;
    // Every request and referer text maps to itself until a group takes it in.
    std::map<const char*, const char*> mapping;
    std::unordered_map<std::string_view, const char*> texts; // first copy of each text
    for (const ReqEntry& r : log.Req)
        if (r.text) {
            mapping.emplace(r.text, r.text);
            texts.emplace(r.text, r.text);
        }
    for (const RefEntry& r : log.Ref)
        if (r.text) {
            mapping.emplace(r.text, r.text);
            texts.emplace(r.text, r.text);
        }

    CacheReader file;
    const int rc = file.open(ctx.dataFile(log.LocalSite + ".urlgrp"));
    if (rc && rc != platform::kErrFileNotFound) {
        log.trouble = {LoadTrouble::Kind::ReadFile, ctx.dataFile(log.LocalSite + ".urlgrp")};
        return rc;
    }
    std::unordered_map<const char*, std::u16string> wide; // texts as the patterns see them
    for (; !rc && !file.atEnd() && !ctx.cancelled(); file.next()) {
        const bool regexp = file.kind() == "[MapStringRegexpNow]";
        if (!regexp && file.kind() != "[MapString]")
            continue;
        // A group name equal to a text of the log is that text, so that chains through
        // it resolve whichever way the name was reached.
        const std::string_view name = file.value();
        const auto known = texts.find(name);
        const char* group = known != texts.end() ? known->second : ctx.pool.intern(name);
        if (regexp) {
            platform::RegExp re;
            if (re.setPattern(platform::cp932ToUtf16(file.key())) != 0)
                continue;
            for (auto& [text, target] : mapping) {
                if (text == group || text[0] != group[0])
                    continue;
                auto w = wide.find(text);
                if (w == wide.end())
                    w = wide.emplace(text, platform::cp932ToUtf16(text)).first;
                bool matched = false;
                if (re.test(w->second, matched) != 0)
                    break;
                if (matched)
                    target = group;
            }
        } else {
            const auto t = texts.find(file.key());
            const char* member = t != texts.end() ? t->second : ctx.pool.find(file.key());
            if (!member)
                continue;
            mapping[member] = group;
            mapping[group] = group;
            texts.emplace(std::string_view(group), group);
        }
    }

    // Chains end at the outermost group; a cycle ends where it would come round again.
    std::map<const char*, const char*> resolved;
    for (const auto& [text, target] : mapping) {
        const char* end = target;
        std::unordered_set<const char*> visited{text};
        while (visited.insert(end).second) {
            const auto next = mapping.find(end);
            if (next == mapping.end() || next->second == end)
                break;
            end = next->second;
        }
        resolved.emplace(text, end);
    }
    for (ReqEntry& r : log.Req)
        if (r.text)
            r.group = resolved[r.text];
    for (RefEntry& r : log.Ref)
        if (r.text)
            r.group = resolved[r.text];
    return 0;
}

void rebuildDictionary(LoadContext& ctx)
{
    LogContainer& log = ctx.log;
    // Texts of the old dictionary are told apart by offset (one bit each); the few made
    // by this load live elsewhere and go through a map.
    const char* dicBegin = log.Dic.get();
    const char* dicEnd = dicBegin + log.DicSize;
    auto inDic = [&](const char* p) { return p >= dicBegin && p < dicEnd; };
    OffsetIndex fromDic(log.DicSize + 1);
    std::unordered_map<const char*, std::uint32_t> others;
    const char* lastOther = nullptr; // slots side by side mostly hold the same outcome
    eachTextSlot(log, [&](const char* p) {
        if (!p)
            return;
        if (inDic(p)) {
            fromDic.add(static_cast<std::uint32_t>(p - dicBegin));
        } else if (p != lastOther) {
            others.try_emplace(p, 0);
            lastOther = p;
        }
    });
    const std::uint32_t dicTexts = fromDic.seal();
    std::vector<std::string_view> texts;
    texts.reserve(dicTexts + others.size());
    fromDic.each([&](std::uint32_t offset) { texts.emplace_back(dicBegin + offset); });
    for (auto& [p, index] : others) {
        index = static_cast<std::uint32_t>(texts.size());
        texts.emplace_back(p);
    }

    // Dictionary order; equal texts (from different places) end up next to each other.
    std::vector<std::uint32_t> order(texts.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Only equal texts compare equal, and they share one place: any sort gives the same.
    // The log's own texts come in the order the import wrote them, sorted (unless the file
    // was made otherwise): then only the load's few are sorted and merged in.
    const auto before = [&](std::uint32_t a, std::uint32_t b) {
        return platform::compareDictionary(texts[a], texts[b]) < 0;
    };
    const auto mine = order.begin() + dicTexts;
    if (std::is_sorted(order.begin(), mine, before)) {
        std::sort(mine, order.end(), before);
        std::inplace_merge(order.begin(), mine, order.end(), before);
    } else {
        platform::sortInParts(order.begin(), order.end(), before, kTextsPerSortPart);
    }
    std::size_t size = 2;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (i == 0 || texts[order[i]] != texts[order[i - 1]])
            size += texts[order[i]].size() + 1;
    std::unique_ptr<char[]> dic(new char[size + 1]);
    std::vector<const char*> moved(texts.size());
    char* out = dic.get();
    *out++ = '\0';
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::string_view text = texts[order[i]];
        if (i > 0 && text == texts[order[i - 1]]) {
            moved[order[i]] = moved[order[i - 1]];
            continue;
        }
        std::memcpy(out, text.data(), text.size());
        moved[order[i]] = out;
        out += text.size();
        *out++ = '\0';
    }
    *out++ = '\0';
    *out = '\0';
    order = {};
    texts = {};
    const char* lastFrom = nullptr;
    const char* lastTo = nullptr;
    eachTextSlot(log, [&](const char*& p) {
        if (!p)
            return;
        if (inDic(p)) {
            p = moved[fromDic.rank(static_cast<std::uint32_t>(p - dicBegin))];
        } else {
            if (p != lastFrom) {
                lastFrom = p;
                lastTo = moved[others[p]];
            }
            p = lastTo;
        }
    });
    platform::trace("old dic=%dkb -> %dkb", int(log.DicSize >> 10), int(size >> 10));
    log.Dic = std::move(dic);
    log.DicSize = size;
    ctx.pool.clear();
}

void mergeEntries(LoadContext& ctx)
{
    LogContainer& log = ctx.log;
    {
        const std::size_t before = kiloBytes(log.RefQ);
        RefQEntry* base = log.RefQ.data();
        const auto index = mergeTable(log.RefQ);
        for (Fragment& f : log.Frg2)
            f.refq = &log.RefQ[index[static_cast<std::size_t>(f.refq - base)]];
        platform::trace("old refq=%dkb -> %dkb", int(before), int(kiloBytes(log.RefQ)));
    }
    {
        const std::size_t before = kiloBytes(log.Agnt);
        AgntEntry* base = log.Agnt.data();
        const auto index = mergeTable(log.Agnt);
        for (Fragment& f : log.Frg2)
            f.agnt = &log.Agnt[index[static_cast<std::size_t>(f.agnt - base)]];
        platform::trace("old agent=%dkb -> %dkb", int(before), int(kiloBytes(log.Agnt)));
    }
    {
        const std::size_t before = kiloBytes(log.Frg2);
        Fragment* base = log.Frg2.data();
        const auto index = mergeTable(log.Frg2);
        // Every record is written by one part alone.
        const std::size_t n = log.Rec2.size();
        platform::runRanges(
            n, platform::partCount(n, 200000), [&](unsigned, std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i) {
                    LogRecord& r = log.Rec2[i];
                    r.fragment = &log.Frg2[index[static_cast<std::size_t>(r.fragment - base)]];
                }
            });
        platform::trace("old frg2=%dkb -> %dkb", int(before), int(kiloBytes(log.Frg2)));
    }
}

void collectGroupNames(LoadContext& ctx)
{
    LogContainer& log = ctx.log;
    log.GroupNames.clear();
    for (const Fragment& f : log.Frg2) {
        if (f.req && f.req->group && f.req->group != f.req->text)
            log.GroupNames.insert(f.req->group);
        if (f.ref && f.ref->group && f.ref->group != f.ref->text)
            log.GroupNames.insert(f.ref->group);
    }
}

} // namespace store
