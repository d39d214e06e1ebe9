#pragma once

// What a visitor is: a person, a machine that names itself in its user agent (the rule file
// robots.ini says which and of what kind), or a machine its behaviour gives away although its
// agent claims a browser. Each visitor of a load gets one class; the classes are few (one per
// named machine, one per reason) and their texts live outside the dictionary.

#include <cstdint>
#include <string_view>

namespace store {

enum class VisitorKind : std::uint8_t {
    Person,
    Search,      // search-engine crawler
    AiCrawler,   // crawler collecting pages for AI models or AI search
    AiAssistant, // AI assistant fetching a page for its user
    Seo,         // SEO and marketing tools
    Monitor,     // uptime and speed monitors
    Feed,        // feed readers
    Headless,    // headless or automated browsers
    Library,     // programming libraries and HTTP tools
    Other,       // any other machine that names itself
    Suspected,   // claims a browser, behaves like a machine
};
inline constexpr int kVisitorKindCount = 11;

// Why a visitor that claims a browser is taken for a machine, in the order the reasons are
// tried (the first that holds is the visitor's).
enum class Suspicion : std::uint8_t {
    None,
    RobotsTxt, // asked for /robots.txt
    HeadOnly,  // only HEAD requests
    Fast,      // more pages a minute than a person reads
    Regular,   // requests at machine-regular intervals
    NoReferer, // many pages, none with a referer or a search
};

// The Japanese name of a kind (UTF-8): "人", "AIクローラー", ...
const char* visitorKindName(VisitorKind kind);
// The key of a kind as robots.ini writes it ("ai-crawler"), "person" and "suspected" for the
// two kinds it cannot name.
const char* visitorKindKey(VisitorKind kind);
// The kind a robots.ini key names ("search", "ai-crawler", ...); Other for unknown keys.
VisitorKind visitorKindOfKey(std::string_view key);
// A robots.ini outcome "KIND:NAME" split: the kind (Person for an empty outcome) and the
// name (the whole outcome when it has no ":"; the kind's name when NAME is empty).
VisitorKind parseMachineOutcome(std::string_view outcome, std::string_view& name);
// The row text of a suspicion, and the sentence that explains it (both UTF-8).
const char* suspicionLabel(Suspicion why);
const char* suspicionReason(Suspicion why);

// One class of visitors: its kind, the reason a suspected machine is one, and the texts of
// its row (CP932): "AIクローラー: GPTBot", and the tooltip that says why.
struct VisitorClass
{
    VisitorKind kind = VisitorKind::Person;
    Suspicion why = Suspicion::None;
    const char* label = nullptr;
    const char* reason = nullptr;
};

constexpr bool isMachine(VisitorKind kind)
{
    return kind != VisitorKind::Person;
}

} // namespace store
