#pragma once

// What each generic kind yields for a page view: one item key (null is an item) or
// nothing. The refresh and the application of a selection offer a visitor's page views in
// time order, index 0 first, through the same loop (stat_rows.h), so they never disagree.
//
// Each kind is a small type whose call is inlined into the visitor loop: the loops run
// over every page view of the input, and a switch per page view would cost more than the
// work itself. withExtractor picks the type once per pass. An extractor may look at the
// page view's fragment and at whether i is 0, nothing else (the host kinds excepted, which
// answer once per visitor): its answers are kept per fragment.

#include "filters/host_keys.h"
#include "filters/key_set.h"
#include "filters/kinds.h"
#include "store/log_container.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>

namespace filters {

// Everything a kind needs besides the page view.
struct ExtractContext
{
    Kind kind = Kind::Req;
    bool group = false;           // URL-group display (page and referer kinds)
    const KeySet* path = nullptr; // path mode active: the selection of the pane before
    bool pathFromPage = false;    // that pane is of the page kind (else the referer kind)
    HostKeys* hosts = nullptr;    // host-name kinds
    const store::LogContainer* log = nullptr; // the visitor-kind kind
    mutable std::size_t visitorHint = 0;      // where the last visitor was found
};

// What an extractor call says.
enum class Yield : std::uint8_t {
    Nothing,
    Key,
    ClassifiedKey, // browser and OS kinds: the key is a classified name, not a raw agent
};

namespace extract {

// Which page views a kind looks at.
enum class Range : std::uint8_t {
    All,
    First,      // index 0 only
    Last,       // index n - 1 only
    PerVisitor, // one key for the whole visitor (the host kinds: a visitor is one host)
};

inline bool startsWith(const char* text, char c)
{
    return text && *text == c;
}

// The referer of a page view as the path-mode rules see it: an own-site referer of the
// first page view is a re-entry, not a step from the page before.
inline bool continuesFrom(const store::Fragment& f, std::uint32_t i, const KeySet& s)
{
    const store::RefEntry& ref = *f.ref;
    if (i == 0 && startsWith(ref.text, '/'))
        return s.contains(nullptr);
    return s.contains(ref.group) || s.contains(ref.text);
}

inline bool pageIn(const store::Fragment& f, const KeySet& s)
{
    return s.contains(f.req->group) || s.contains(f.req->text);
}

template <Range R> struct Page
{
    static constexpr Range kRange = R;
    bool group;
    Yield operator()(const store::LogRecord& r, std::uint32_t, const char*& key) const
    {
        const store::ReqEntry& req = *r.fragment->req;
        key = group ? req.group : req.text;
        return Yield::Key;
    }
};

struct PagePath
{
    static constexpr Range kRange = Range::All;
    bool group;
    const KeySet* s;
    Yield operator()(const store::LogRecord& r, std::uint32_t i, const char*& key) const
    {
        const store::Fragment& f = *r.fragment;
        if (!continuesFrom(f, i, *s))
            return Yield::Nothing;
        key = group ? f.req->group : f.req->text;
        return Yield::Key;
    }
};

struct Query
{
    static constexpr Range kRange = Range::All;
    Yield operator()(const store::LogRecord& r, std::uint32_t, const char*& key) const
    {
        key = r.fragment->query;
        return Yield::Key;
    }
};

struct QueryAfterPage
{
    static constexpr Range kRange = Range::All;
    const KeySet* s;
    Yield operator()(const store::LogRecord& r, std::uint32_t, const char*& key) const
    {
        const store::Fragment& f = *r.fragment;
        if (!pageIn(f, *s))
            return Yield::Nothing;
        key = f.query;
        return Yield::Key;
    }
};

struct QueryAfterReferer
{
    static constexpr Range kRange = Range::All;
    const KeySet* s;
    Yield operator()(const store::LogRecord& r, std::uint32_t i, const char*& key) const
    {
        const store::Fragment& f = *r.fragment;
        if (!continuesFrom(f, i, *s))
            return Yield::Nothing;
        key = f.refq->text;
        return Yield::Key;
    }
};

struct Referer
{
    static constexpr Range kRange = Range::All;
    bool group;
    Yield operator()(const store::LogRecord& r, std::uint32_t i, const char*& key) const
    {
        const store::RefEntry& ref = *r.fragment->ref;
        const char* k = group ? ref.group : ref.text;
        if (i == 0) {
            key = startsWith(k, '/') ? nullptr : k;
            return Yield::Key;
        }
        if (!startsWith(k, 'h'))
            return Yield::Nothing;
        key = k;
        return Yield::Key;
    }
};

struct RefererPath
{
    static constexpr Range kRange = Range::All;
    bool group;
    const KeySet* s;
    Yield operator()(const store::LogRecord& r, std::uint32_t i, const char*& key) const
    {
        const store::Fragment& f = *r.fragment;
        if (!pageIn(f, *s))
            return Yield::Nothing;
        const char* k = group ? f.ref->group : f.ref->text;
        key = i == 0 && startsWith(k, '/') ? nullptr : k;
        return Yield::Key;
    }
};

struct SearchName
{
    static constexpr Range kRange = Range::All;
    Yield operator()(const store::LogRecord& r, std::uint32_t, const char*& key) const
    {
        key = r.fragment->ref->engine;
        return key ? Yield::Key : Yield::Nothing;
    }
};

struct Agent
{
    static constexpr Range kRange = Range::All;
    Yield operator()(const store::LogRecord& r, std::uint32_t, const char*& key) const
    {
        key = r.fragment->agnt->text;
        return Yield::Key;
    }
};

// Browser or OS: the classified name, else the user agent itself.
template <const char* store::AgntEntry::*Name> struct Classified
{
    static constexpr Range kRange = Range::All;
    Yield operator()(const store::LogRecord& r, std::uint32_t, const char*& key) const
    {
        const store::AgntEntry& a = *r.fragment->agnt;
        if (const char* name = a.*Name) {
            key = name;
            return Yield::ClassifiedKey;
        }
        key = a.text;
        return Yield::Key;
    }
};

struct None
{
    static constexpr Range kRange = Range::First;
    Yield operator()(const store::LogRecord&, std::uint32_t, const char*&) const
    {
        return Yield::Nothing;
    }
};

struct Host
{
    static constexpr Range kRange = Range::PerVisitor;
    HostKeys* hosts;
    Yield operator()(const store::LogRecord& r, std::uint32_t, const char*& key) const
    {
        key = hosts->key(r.host);
        return Yield::Key;
    }
};

// The class of the visitor whose first page view r is (the visitor-kind kind). The visitor
// loops go through the visitors in order, so the one after the last found is tried first.
struct VisitorClass
{
    static constexpr Range kRange = Range::PerVisitor;
    const store::LogContainer* log;
    std::size_t* hint;
    Yield operator()(const store::LogRecord& r, std::uint32_t, const char*& key) const
    {
        key = nullptr;
        if (!log || log->VisitorClassOf.size() != log->Visitors.size())
            return Yield::Key;
        const store::VisitorEntry* v = log->Visitors.data();
        const std::size_t n = log->Visitors.size();
        std::size_t at = *hint;
        if (!(at < n && v[at].first == &r) && !(++at < n && v[at].first == &r)) {
            const auto* it = std::lower_bound(
                v, v + n, &r, [](const store::VisitorEntry& e, const store::LogRecord* p) {
                    return std::less<>()(e.first, p);
                });
            if (it == v + n || it->first != &r)
                return Yield::Key;
            at = static_cast<std::size_t>(it - v);
        }
        *hint = at;
        key = log->VisitorClasses[log->VisitorClassOf[at]].label;
        return Yield::Key;
    }
};

} // namespace extract

// Calls f with the extractor of ctx's kind (not the search-word kind, which has its own
// rows). Returns what f returns.
template <typename F> decltype(auto) withExtractor(const ExtractContext& ctx, F&& f)
{
    using namespace extract;
    switch (ctx.kind) {
    case Kind::Req:
        if (ctx.path)
            return f(PagePath{ctx.group, ctx.path});
        return f(Page<Range::All>{ctx.group});
    case Kind::ReqBegin:
        return f(Page<Range::First>{ctx.group});
    case Kind::ReqEnd:
        return f(Page<Range::Last>{ctx.group});
    case Kind::Query:
        if (ctx.path && ctx.pathFromPage)
            return f(QueryAfterPage{ctx.path});
        if (ctx.path)
            return f(QueryAfterReferer{ctx.path});
        return f(extract::Query{});
    case Kind::Ref:
        if (ctx.path)
            return f(RefererPath{ctx.group, ctx.path});
        return f(Referer{ctx.group});
    case Kind::SearchName:
        return f(extract::SearchName{});
    case Kind::Agent:
        return f(extract::Agent{});
    case Kind::Browser:
        return f(Classified<&store::AgntEntry::browser>{});
    case Kind::Os:
        return f(Classified<&store::AgntEntry::os>{});
    case Kind::HostName:
    case Kind::TldJp:
    case Kind::Domain:
        break;
    case Kind::SearchWord: // its rows are word_rows.h; nothing yields here
        return f(None{});
    case Kind::VisitorKind:
        return f(extract::VisitorClass{ctx.log, &ctx.visitorHint});
    }
    return f(extract::Host{ctx.hosts});
}

} // namespace filters
