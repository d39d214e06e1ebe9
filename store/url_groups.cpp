// URL groups, the dictionary rebuild, merged entries and the group names.

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/regexp.h"
#include "platform/trace.h"
#include "store/cache_reader.h"
#include "store/load_steps.h"

namespace store {
namespace {

template <typename T>
std::size_t kiloBytes(const std::vector<T>& table)
{
    return table.size() * sizeof(T) >> 10;
}

// Byte-wise hashing and equality of table entries for the merges.
template <typename T>
struct BytesHash
{
    std::size_t operator()(const T& v) const
    {
        return std::hash<std::string_view>()(
            std::string_view(reinterpret_cast<const char*>(&v), sizeof v));
    }
};
template <typename T>
struct BytesEqual
{
    bool operator()(const T& a, const T& b) const { return std::memcmp(&a, &b, sizeof a) == 0; }
};

// Replaces a table by its distinct entries; returns old index -> new index.
template <typename T>
std::vector<std::uint32_t> mergeTable(std::vector<T>& table)
{
    std::unordered_map<T, std::uint32_t, BytesHash<T>, BytesEqual<T>> seen;
    seen.reserve(table.size());
    std::vector<std::uint32_t> index(table.size());
    std::vector<T> merged;
    for (std::size_t i = 0; i < table.size(); ++i) {
        auto [it, fresh] = seen.emplace(table[i], static_cast<std::uint32_t>(merged.size()));
        if (fresh)
            merged.push_back(table[i]);
        index[i] = it->second;
    }
    merged.shrink_to_fit();
    table.swap(merged);
    return index;
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
    if (rc && rc != platform::kErrFileNotFound)
        return rc;
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
    // Every text slot of the tables.
    std::vector<const char**> slots;
    auto take = [&](const char*& p) {
        if (p)
            slots.push_back(&p);
    };
    for (ReqEntry& e : log.Req) {
        take(e.text);
        take(e.group);
    }
    for (RefEntry& e : log.Ref) {
        take(e.text);
        take(e.group);
        take(e.engine);
    }
    for (RefQEntry& e : log.RefQ) {
        take(e.text);
        take(e.word);
    }
    for (AgntEntry& e : log.Agnt) {
        take(e.text);
        take(e.os);
        take(e.browser);
    }
    for (Fragment& f : log.Frg2)
        take(f.query);
    for (HostEntry& h : log.Host)
        take(h.name);

    // Distinct texts by content, in dictionary order.
    std::unordered_map<const char*, std::uint32_t> byPointer;
    std::unordered_map<std::string_view, std::uint32_t> byContent;
    std::vector<std::string_view> distinct;
    byPointer.reserve(slots.size() / 4 + 16);
    for (const char** slot : slots) {
        auto [it, fresh] = byPointer.emplace(*slot, 0);
        if (!fresh)
            continue;
        const std::string_view text(*slot);
        auto [c, added] = byContent.emplace(text, static_cast<std::uint32_t>(distinct.size()));
        if (added)
            distinct.push_back(text);
        it->second = c->second;
    }
    std::vector<std::uint32_t> order(distinct.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return platform::compareDictionary(distinct[a], distinct[b]) < 0;
    });
    std::size_t size = 2;
    for (const auto& t : distinct)
        size += t.size() + 1;
    std::unique_ptr<char[]> dic(new char[size + 1]);
    std::vector<const char*> moved(distinct.size());
    char* out = dic.get();
    *out++ = '\0';
    for (std::uint32_t i : order) {
        std::memcpy(out, distinct[i].data(), distinct[i].size());
        moved[i] = out;
        out += distinct[i].size();
        *out++ = '\0';
    }
    *out++ = '\0';
    *out = '\0';
    for (const char** slot : slots)
        *slot = moved[byPointer[*slot]];
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
        for (LogRecord& r : log.Rec2)
            r.fragment = &log.Frg2[index[static_cast<std::size_t>(r.fragment - base)]];
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
