#pragma once

// The fourteen filter kinds: what a pane of each kind is called, which columns and buttons
// it has, the label of its null item, and the sentence that describes its selection. What
// a kind yields for a page view is extractors.h.
//
// Texts here are UTF-8 (they are shown by the window half) unless they say CP932.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace filters {

enum class Kind : std::uint8_t {
    Req,        // pages viewed
    ReqBegin,   // entry pages
    ReqEnd,     // exit pages
    Query,      // request queries
    Ref,        // referers
    SearchName, // search engines
    SearchWord, // search words (its own rows, word_rows.h)
    Agent,      // user agents
    Browser,
    Os,
    HostName,
    TldJp, // top-level domain, with the Japanese second level
    Domain,
    VisitorKind, // person, named machine or suspected machine (store/visitor_kind.h)
};

inline constexpr int kKindCount = 14;

// The pane toggles, one per toolbar button (its command id in the comment).
enum PaneFlag : unsigned {
    kFlagBypass = 1u << 0,  // 2015: the panes after it ignore it
    kFlagPercent = 1u << 1, // 3005: visitors as a share of the input
    kFlagGroup = 1u << 2,   // 3003: URL-group names instead of paths and referers
    kFlagPath = 1u << 3,    // 3004: items that continue the path of the pane before
    kFlagSplit = 1u << 4,   // 3006: search phrases cut into words
    kFlagCaps = 1u << 5,    // 3007: search words case-sensitive
};

// The commands of a filter pane's buttons, and the flag a toggle button stands for (0 for
// the others).
enum PaneCommand : int {
    kCommandClose = 8,
    kCommandDescribe = 9,
    kCommandUp = 3001,
    kCommandDown = 3002,
    kCommandGroup = 3003,
    kCommandPath = 3004,
    kCommandPercent = 3005,
    kCommandSplit = 3006,
    kCommandCaps = 3007,
    kCommandBypass = 2015,
    kCommandExport = 57604,
    kCommandTitle = 2007,  // the title button (menu of the kinds)
    kCommandPassOn = 2016, // refresh the stages after this one without recomputing it
};
unsigned flagOfCommand(int command);

// The tooltip of a button (UTF-8), or null when the pane has none of its own for it.
const char* tooltipOf(int command);

// The search-word pane's second toolbar: the texts of its check buttons.
inline constexpr char kSplitButtonText[] = "単語";
inline constexpr char kCapsButtonText[] = "Caps";

struct KindInfo
{
    Kind kind;
    const char* className;   // "WC_FILTER_REQ"
    int command;             // the add command, 40016 ...
    const char* title;       // the menu text and the pane's title (UTF-8)
    const char* firstColumn; // the first column's header
    bool hitsColumn;         // has "Hits/v"
    bool groupButton;        // has 3003
    bool pathButton;         // has 3004
    const char* nullLabel;   // shown for the null item (ASCII)
    const char* pathPrefix;  // after "[label]" when path mode is active; null: none (UTF-8)
    const char* suffix;      // the description's ending (UTF-8)
};

const KindInfo& kindInfo(Kind kind);
// Every kind, in the order of the add-filter menus.
std::span<const KindInfo, kKindCount> allKinds();
// The kind an add command (40016, ...) makes, or whose class name is exactly className;
// null for anything else.
const KindInfo* kindOfCommand(int command);
const KindInfo* kindOfClass(std::string_view className);

// The kind of a class name ("WC_FILTER_REF"), or of the class name without "WC_FILTER_" in
// any case ("ref", "REF").
std::optional<Kind> kindFromName(std::string_view name);

// The flags a kind has buttons for (bypass, percent and the rest as the kind says).
unsigned kindFlags(Kind kind);

// Where the host-name kinds differ from the others: keys made from HostEntry names, sorted
// and compared as texts.
constexpr bool isHostKind(Kind kind)
{
    return kind == Kind::HostName || kind == Kind::TldJp || kind == Kind::Domain;
}

// Kinds whose selection the pane after them can follow in path mode (UM_GETPATHSET): the
// page kind answers 1, the referer kind 0.
constexpr bool givesPathSet(Kind kind)
{
    return kind == Kind::Req || kind == Kind::Ref;
}

// The cuts of the host-name kinds on a reversed host name h ("jp.co.example.host1"). The
// result is a prefix of h (its length), so no copy is needed to find it.
std::size_t topLevelDomainLength(std::string_view h);
std::size_t domainLength(std::string_view h);

} // namespace filters
