#pragma once

// The fictional shop (pages, images), the visitors' browsers, crawlers and networks, and the
// referers that bring them: the fixed tables the generator draws from.

#include "tools/genlog/rng.h"

#include <cstdint>
#include <string>
#include <vector>

namespace genlog::site {

enum class PageKind : std::uint8_t {
    Home,
    Category,
    Item,
    BlogIndex,
    BlogEntry,
    Info,
    Missing,
    Moved
};

struct Asset
{
    std::string path;
    std::int32_t bytes;
};

struct Page
{
    PageKind kind;
    int cat = -1;                  // Category and Item pages
    int target = -1;               // Moved: where it redirects to
    std::vector<std::string> urls; // urls[0] canonical, the others other spellings of it
    std::int32_t bytes = 0;
    std::vector<std::uint16_t> images; // page-specific assets, in page order
};

struct Site
{
    std::vector<Page> pages;
    std::vector<Asset> assets;
    std::vector<std::uint16_t> common; // stylesheet, scripts, logo: on every page
    std::uint16_t favicon = 0;
    std::uint16_t touchIcon = 0; // requested by iOS, missing (404)
    int home = 0;
    int blogIndex = 0;
    std::vector<int> categories;
    std::vector<std::vector<int>> items; // per category
    std::vector<int> blog, info, missing, moved;
    std::vector<std::string> catNames;
    std::vector<int> itemNumbers;      // per page index, 0 for non-items
    std::vector<std::uint16_t> thumbs; // per page index: the item's small picture
    std::uint16_t cartJs = 0, adminCss = 0;
    std::uint16_t cartSteps[3] = {};
    std::vector<std::uint32_t> itemCum; // popularity over all items (indexes into allItems)
    std::vector<int> allItems;
};

const Site& shop();

// Weighted choice: cum holds running sums of the weights.
int pickCum(Rng& rng, const std::vector<std::uint32_t>& cum);

enum class Agent : std::uint8_t { Desktop, OldIE, Mobile, IOS, Crawler, Tool, Scanner, Embedded };

struct UserAgent
{
    const char* text;
    Agent kind;
    std::uint16_t weight; // among the same kind
};

const std::vector<UserAgent>& userAgents();
// Indexes into userAgents() of one kind, and their cumulative weights.
struct AgentGroup
{
    std::vector<int> index;
    std::vector<std::uint32_t> cum;
};
const AgentGroup& agentsOf(Agent kind);
int embeddedAgent();
int ownerAgent();

struct Crawler
{
    int agent; // into userAgents()
    std::uint16_t weight;
    const char* hostPrefix; // reverse name: prefix + a-b-c-d + suffix
    const char* hostSuffix;
    std::vector<std::uint32_t> nets; // a.b.c.0/24 networks, as a<<16|b<<8|c
    double resolved, head, notModified, robots;
};
const std::vector<Crawler>& crawlers();
const std::vector<std::uint32_t>& crawlerCum();
// The AI crawlers, assistants, headless browsers and tools of today (--machines).
const std::vector<Crawler>& modernCrawlers();
const std::vector<std::uint32_t>& modernCum();

// Writes a client host (IPv4 or reverse name) for a visitor on a fixed line or a phone.
int humanHost(Rng& rng, bool mobile, char* out);
int foreignHost(Rng& rng, char* out);
int ipHost(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, char* out);

// Search words, each escaped three ways; loaded once (needs iconv with CP932 and EUC-JP).
enum Enc { kUtf8 = 0, kSjis = 1, kEuc = 2 };
struct Word
{
    std::string utf8;      // ASCII space between parts
    bool shopName = false; // a search for the shop itself
    std::string esc[2][3]; // [ideographic space?][Enc], form-encoded
};
const std::vector<Word>* words(); // nullptr when the conversions are unavailable
const std::vector<std::uint32_t>& wordCum();

// External referers; each writes into out (at least 700 bytes) and returns the length.
enum class RefKind : std::uint8_t { None, Search, Social, Blog, Other };
int searchReferer(Rng& rng, const Word& w, bool ideographicSpace, char* out);
int socialReferer(Rng& rng, char* out);
int blogReferer(Rng& rng, char* out);
int otherReferer(Rng& rng, char* out);

} // namespace genlog::site
