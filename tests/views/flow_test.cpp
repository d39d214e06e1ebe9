// The flow view's computing half on small logs written visit by visit: the next and
// previous trees of a chosen page, their order and completion, the page chooser and the
// places of the boxes.

#include "../platform/temp_dir.h"
#include "../store/hits.h"
#include "platform/settings.h"
#include "store/log_container.h"
#include "views/flow_chooser.h"
#include "views/flow_layout.h"
#include "views/flow_tree.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace views;

const std::string kFlowSite = "http://www.flow.example";
const std::string kGroupSite = "http://www.groups.example";
constexpr std::uint32_t kStage = 1u << 3; // the stage the tests show

// One page view: its path and where it came from: "" no referer (a bookmark), a path of the
// site ("/a", written as the site's full address), or an outside address as given.
struct View
{
    std::string page;
    std::string from;
};
using Visit = std::vector<View>;

vxtest::TempDir& folder()
{
    static vxtest::TempDir dir;
    static const bool ready = [] {
        ::setenv("TZ", "UTC", 1);
        const std::string home = dir.file("home");
        std::filesystem::create_directories(home);
        platform::setHomeDirOverride(home);
        const char* data = std::getenv("VEXILO_TEST_DATA");
        platform::setResFolder(std::string(data ? data : "data") + "/filters/res");
        // /b1 and /b2 form the URL group /shop on the group site.
        vxtest::writeFile(home + "/www.groups.example.urlgrp",
                          "[MapString]\r\n/b1\r\n/shop\r\n\r\n[MapString]\r\n/b2\r\n/shop\r\n\r\n");
        return true;
    }();
    (void)ready;
    return dir;
}

// The visits, each on a host of its own (10.0.0.1, 10.0.0.2, ...) with views 30 s apart, in
// the stage; plus the visit that makes the site known (/a, /b, /c on another host), which
// is not in the stage, so a build that read every visitor would count it too.
std::unique_ptr<store::LogContainer> load(const std::vector<Visit>& visits,
                                          const std::string& site = kFlowSite)
{
    static int logs = 0;
    std::vector<vxtest::Hit> hits = vxtest::siteChain(site, "192.0.2.99", 86400);
    for (std::size_t v = 0; v < visits.size(); ++v) {
        const std::string host = "10.0.0." + std::to_string(v + 1);
        int second = 3600 * static_cast<int>(v);
        for (const View& view : visits[v]) {
            const std::string referer = view.from.empty()     ? "-"
                                        : view.from[0] == '/' ? site + view.from
                                                              : view.from;
            hits.push_back({host, second, view.page, referer});
            second += 30;
        }
    }
    auto log = std::make_unique<store::LogContainer>();
    log->logPath = folder().file("flow" + std::to_string(++logs) + ".vxlog");
    store::Progress progress{0.0f};
    if (vxtest::importHits(hits, log->logPath) != 0 ||
        log->LoadPipeline(nullptr, progress, false, "") != 0) {
        ADD_FAILURE() << "the log did not load";
        return log;
    }
    for (store::VisitorEntry& v : log->Visitors)
        v.mask = (v.first->host->address >> 24) == 10 ? kStage : 0;
    return log;
}

// The store's text of a page, as the chooser offers it; null when it does not.
const char* chosen(const store::LogContainer& log, const std::string& page)
{
    const std::vector<const char*> entries = flowChooserEntries(log, kStage);
    const int i = findChooserEntry(entries, page);
    return i < 0 ? nullptr : entries[static_cast<std::size_t>(i)];
}

// Listing lines written with "|" between the fields.
std::string listing(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) {
        for (const char c : line)
            out += c == '|' ? '\t' : c;
        out += '\n';
    }
    return out;
}

TEST(FlowTrees, PathsAroundAPage)
{
    const struct
    {
        const char* name;
        std::vector<Visit> visits;
        const char* page;
        std::vector<std::string> expected; // every node, depth-first in row order
    } cases[] = {
        {"one visit /a /b /c",
         {{{"/a", ""}, {"/b", "/a"}, {"/c", "/b"}}},
         "/b",
         {"next|1|1|100.0%|/c", "prev|1|1|100.0%|/a", "prev|2|1|100.0%|"}},
        {"two views of /b, one clicked on: EXIT gets the other",
         {{{"/a", ""}, {"/b", "/a"}}, {{"/a", ""}, {"/b", "/a"}, {"/c", "/b"}}},
         "/b",
         {"next|1|1|50.0%|/c", "next|1|1|50.0%|EXIT", "prev|1|2|100.0%|/a", "prev|2|2|100.0%|"}},
        // Clicks from /b after it was shown again belong to the new showing.
        {"back to /b by a bookmark",
         {{{"/b", ""}, {"/c", "/b"}, {"/b", ""}, {"/d", "/b"}}},
         "/b",
         {"next|1|1|50.0%|/c", "next|1|1|50.0%|/d", "prev|1|2|100.0%|"}},
        {"back to /b by a click from /c: the first path goes on through it",
         {{{"/b", ""}, {"/c", "/b"}, {"/b", "/c"}, {"/d", "/b"}}},
         "/b",
         {"next|1|1|50.0%|/c", "next|2|1|100.0%|/b", "next|3|1|100.0%|/d", "next|1|1|50.0%|/d",
          "prev|1|1|50.0%|", "prev|1|1|50.0%|/c", "prev|2|1|100.0%|/b", "prev|3|1|100.0%|"}},
        {"two tabs opened from /a: the path branches",
         {{{"/s", ""}, {"/a", "/s"}, {"/x", "/a"}, {"/y", "/a"}}},
         "/s",
         {"next|1|2|100.0%|/a", "next|2|1|50.0%|/x", "next|2|1|50.0%|/y", "prev|1|1|100.0%|"}},
        {"the second tab's way back passes the first tab",
         {{{"/s", ""}, {"/a", "/s"}, {"/x", "/a"}, {"/y", "/a"}}},
         "/y",
         {"prev|1|1|100.0%|/a", "prev|2|1|100.0%|/s", "prev|3|1|100.0%|"}},
        {"a bookmark is the null key, before a page of the same count",
         {{{"/b", ""}}, {{"/a", ""}, {"/b", "/a"}}},
         "/b",
         {"prev|1|1|50.0%|", "prev|1|1|50.0%|/a", "prev|2|1|100.0%|"}},
        {"a reload of the page before is one way back, not two",
         {{{"/a", ""}, {"/a", ""}, {"/b", "/a"}, {"/c", "/b"}}},
         "/b",
         {"next|1|1|100.0%|/c", "prev|1|1|100.0%|/a", "prev|2|1|100.0%|"}},
        {"RELOAD: a click from a page not shown in the visit, after an outside address",
         {{{"/a", ""}, {"/b", "/a"}},
          {{"/a", "http://q.example/page"}, {"/b", "/a"}},
          {{"/b", "/a"}}},
         "/b",
         {"prev|1|3|100.0%|/a", "prev|2|1|33.3%|", "prev|2|1|33.3%|http://q.example/page",
          "prev|2|1|33.3%|RELOAD"}},
        {"a page that links to itself keeps the path going",
         {{{"/s", ""}, {"/list", "/s"}, {"/list", "/list"}, {"/item", "/list"}}},
         "/s",
         {"next|1|1|100.0%|/list", "next|2|1|100.0%|/list", "next|3|1|100.0%|/item",
          "prev|1|1|100.0%|"}},
        // A view's clicks come from the latest earlier view of its referer's page: a reload
        // deep in the path passes the clicks made after it on, ...
        {"a reload /j to /j below the root, then a click",
         {{{"/s", ""}, {"/a", "/s"}, {"/j", "/a"}, {"/j", "/j"}, {"/k", "/j"}}},
         "/s",
         {"next|1|1|100.0%|/a", "next|2|1|100.0%|/j", "next|3|1|100.0%|/j", "next|4|1|100.0%|/k",
          "prev|1|1|100.0%|"}},
        // ... a tab opened from /y before /e does not hide /y from the way back, ...
        {"a second tab from /y before the view of /e",
         {{{"/y", ""}, {"/t", "/y"}, {"/e", "/y"}}},
         "/e",
         {"prev|1|1|100.0%|/y", "prev|2|1|100.0%|"}},
        // ... and one view of /e is one way back however often /y was shown before it, so
        // the next tree gets no EXIT nobody took.
        {"two earlier views of /y before the view of /e",
         {{{"/z", ""}, {"/y", "/z"}, {"/y", ""}, {"/e", "/y"}, {"/f", "/e"}}},
         "/e",
         {"next|1|1|100.0%|/f", "prev|1|1|100.0%|/y", "prev|2|1|100.0%|"}},
        {"visitors sent by an outside address",
         {{{"/a", "http://other.example/page"}, {"/b", "/a"}}},
         "http://other.example/page",
         {"next|1|1|100.0%|/a", "next|2|1|100.0%|/b"}},
        {"rows by count, then the keys without case, then with case",
         {{{"/s", ""}, {"/c", "/s"}},
          {{"/s", ""}, {"/c", "/s"}},
          {{"/s", ""}, {"/b", "/s"}},
          {{"/s", ""}, {"/B", "/s"}},
          {{"/s", ""}, {"/a", "/s"}},
          {{"/s", ""}}},
         "/s",
         {"next|1|2|33.3%|/c", "next|1|1|16.7%|/a", "next|1|1|16.7%|/B", "next|1|1|16.7%|/b",
          "next|1|1|16.7%|EXIT", "prev|1|6|100.0%|"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto log = load(c.visits);
        const char* page = chosen(*log, c.page);
        ASSERT_NE(page, nullptr) << "the chooser does not offer " << c.page;
        FlowTrees trees;
        buildFlowTrees(*log, kStage, page, trees);
        EXPECT_EQ(flowListing(trees, kMaxFlowDepth), listing(c.expected));
    }
}

TEST(FlowTrees, PagesAreUrlGroups)
{
    // /b1 and /b2 are the group /shop: its paths are those of both, and the chooser offers
    // the group, not its members.
    const auto log = load(
        {{{"/a", ""}, {"/b1", "/a"}, {"/c", "/b1"}}, {{"/a", ""}, {"/b2", "/a"}, {"/d", "/b2"}}},
        kGroupSite);
    EXPECT_EQ(chosen(*log, "/b1"), nullptr);
    const char* shop = chosen(*log, "/shop");
    ASSERT_NE(shop, nullptr);
    FlowTrees trees;
    buildFlowTrees(*log, kStage, shop, trees);
    EXPECT_EQ(flowListing(trees, kMaxFlowDepth),
              listing({"next|1|1|50.0%|/c", "next|1|1|50.0%|/d", "prev|1|2|100.0%|/a",
                       "prev|2|2|100.0%|"}));
    EXPECT_EQ(pageKind(shop, log->GroupNames), PageKind::PageGroup);
}

int deepest(const FlowNode& node)
{
    int depth = node.depth;
    for (const FlowNode* c : node.children)
        depth = std::max(depth, deepest(*c));
    return depth;
}

TEST(FlowTrees, LongVisitsStopAtTheDepthBound)
{
    // /e and /x clicked in turn, 2m + 1 views: every /x starts a next path that runs to the
    // end of the visit, so the path from the view 2i + 1 is 2m - 2i steps long and the node
    // at depth d counts the paths at least d long.
    const int m = 60;
    Visit visit = {{"/e", ""}};
    for (int i = 0; i < m; ++i) {
        visit.push_back({"/x", "/e"});
        visit.push_back({"/e", "/x"});
    }
    const auto log = load({visit});
    FlowTrees trees;
    buildFlowTrees(*log, kStage, chosen(*log, "/e"), trees);
    // Each node goes on in its first row; a second row can only be the EXIT of the one
    // path that ends there.
    const FlowNode* node = &trees.next().root();
    for (int d = 1; d <= kMaxFlowDepth; ++d) {
        SCOPED_TRACE(d);
        ASSERT_FALSE(node->children.empty());
        ASSERT_LE(node->children.size(), 2u);
        if (node->children.size() == 2) {
            EXPECT_STREQ(node->children[1]->key, "EXIT");
        }
        node = node->children[0];
        EXPECT_STREQ(node->key, d % 2 ? "/x" : "/e");
        EXPECT_EQ(node->count, static_cast<std::uint32_t>((2 * m - d) / 2 + 1));
    }
    EXPECT_TRUE(node->children.empty());
    EXPECT_FALSE(canExpand(node));
    EXPECT_EQ(trees.next().root().count, static_cast<std::uint32_t>(m + 1)); // the views of /e
    EXPECT_EQ(deepest(trees.next().root()), kMaxFlowDepth);
    EXPECT_EQ(deepest(trees.prev().root()), kMaxFlowDepth);
}

TEST(FlowTrees, NoPageNoTrees)
{
    const auto log = load({{{"/a", ""}, {"/b", "/a"}}});
    FlowTrees trees;
    buildFlowTrees(*log, kStage, chosen(*log, "/b"), trees);
    ASSERT_NE(trees.page(), nullptr);
    buildFlowTrees(*log, kStage, nullptr, trees); // the null entry "すべて"
    EXPECT_EQ(trees.page(), nullptr);
    EXPECT_EQ(flowListing(trees, kMaxFlowDepth), "");
    EXPECT_TRUE(initialFlowLayout(trees).empty());
    // A page the stage's visitors never met: both roots empty, the root box without lists.
    buildFlowTrees(*log, 1u << 5, chosen(*log, "/b"), trees);
    EXPECT_EQ(trees.largestRootCount(), 0u);
    const std::vector<FlowBoxPlan> boxes = initialFlowLayout(trees);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prevRows + boxes[0].nextRows, 0);
}

TEST(FlowLayout, BoxesAfterARecomputationAndOnDoubleClicks)
{
    std::vector<Visit> visits;
    for (int i = 0; i < 2; ++i) // /s clicked from itself, then /z: a child keyed /s
        visits.push_back({{"/s", ""}, {"/s", "/s"}, {"/z", "/s"}});
    for (int i = 0; i < 3; ++i) // the top row: no branches of its own
        visits.push_back({{"/s", ""}, {"/e", "/s"}});
    for (const char* p : {"/a", "/b", "/c", "/d"})
        visits.push_back({{"/s", ""}, {p, "/s"}, {std::string(p) + "1", p}});
    const auto log = load(visits);
    FlowTrees trees;
    buildFlowTrees(*log, kStage, chosen(*log, "/s"), trees);
    FlowNode& next = trees.next().root();
    for (std::size_t r = 0; r < next.children.size(); ++r)
        EXPECT_EQ(next.children[r]->rank, static_cast<std::int32_t>(r));

    const FlowBoxMetrics metrics{20, 2};
    const std::vector<FlowBoxPlan> boxes = initialFlowLayout(trees, metrics);
    // Rows of the next root: /e 3, /s 2, /z 2, /a, /b, /c, /d; of the previous root: the
    // bookmarks (null) and /s. Beside the root: /a, /b, /c (/e and /z are leaves, /s is
    // the page itself, /d is the fourth); on the left nothing (a leaf and /s).
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].next, &next);
    EXPECT_EQ(boxes[0].prev, &trees.prev().root());
    EXPECT_EQ(boxes[0].x, 0);
    EXPECT_EQ(boxes[0].y, 0);
    EXPECT_EQ(boxes[0].nextRows, 7);
    EXPECT_EQ(boxes[0].prevRows, 2);
    const int height = 20 + 14 + 2; // caption, one row, the list's frame
    const char* const kBeside[] = {"/a", "/b", "/c"};
    for (int b = 1; b < 4; ++b) {
        SCOPED_TRACE(b);
        ASSERT_NE(boxes[b].next, nullptr);
        EXPECT_STREQ(boxes[b].next->key, kBeside[b - 1]);
        EXPECT_EQ(boxes[b].prev, nullptr);
        EXPECT_EQ(boxes[b].x, 440);
        EXPECT_EQ(boxes[b].y, (b - 1) * (height + 20));
        EXPECT_EQ(boxes[b].nextRows, 1);
    }

    FlowNode* a = boxes[1].next;
    FlowNode* leaf = a->children[0];
    EXPECT_EQ(flowExpand(leaf), FlowExpand::Nothing);
    EXPECT_EQ(flowExpand(a), FlowExpand::OpenBox);
    const FlowBoxPlan left = expandedFlowBox(a, true, 440, 70);
    EXPECT_EQ(left.x, 0);
    EXPECT_EQ(left.y, 70);
    EXPECT_EQ(left.prev, a);
    EXPECT_EQ(left.prevRows, 1);
    const FlowBoxPlan right = expandedFlowBox(a, false, 440, 70);
    EXPECT_EQ(right.x, 880);
    EXPECT_EQ(right.next, a);
    a->box = reinterpret_cast<FlowBox*>(a); // any box
    EXPECT_EQ(flowExpand(a), FlowExpand::ScrollToBox);
    EXPECT_EQ(pathKeys(*leaf), (std::vector<const char*>{next.key, a->key, leaf->key}));
}

TEST(FlowLayout, ANewBoxGoesToTheNearestFreePlaceBesideItsRow)
{
    // One box in column x 440 from y 0 to 200; the new box is 100 high.
    const std::vector<FlowRect> one = {{440, 0, 400, 200}};
    const std::vector<FlowRect> two = {{440, 0, 400, 200}, {440, 230, 400, 200}};
    const struct
    {
        const char* name;
        int x, wanted;
        std::vector<FlowRect> taken;
        int top;
    } cases[] = {
        {"a free place is kept", 440, 300, one, 300},
        {"another column is no obstacle", 880, 50, one, 50},
        {"over a box: below it, the nearer way", 440, 150, one, 220},
        {"over a box: above it, the nearer way", 440, 10, one, -120},
        {"as near both ways: below", 440, 50, one, 220},
        {"no room between two boxes: past them", 440, 210, two, 450},
        {"nothing else on the canvas", 440, 75, {}, 75},
    };
    for (const auto& c : cases)
        EXPECT_EQ(freeFlowTop(c.x, c.wanted, 400, 100, c.taken), c.top) << c.name;
}

TEST(FlowLayout, DoubleClickOnExitDoesNothing)
{
    const auto log = load({{{"/a", ""}, {"/b", "/a"}}, {{"/a", ""}, {"/b", "/a"}, {"/c", "/b"}}});
    FlowTrees trees;
    buildFlowTrees(*log, kStage, chosen(*log, "/b"), trees);
    const FlowNode& root = trees.next().root();
    ASSERT_EQ(root.children.size(), 2u);
    const FlowNode* exit = root.children[1];
    EXPECT_STREQ(exit->key, "EXIT");
    EXPECT_TRUE(isCompletion(*exit));
    EXPECT_FALSE(isCompletion(*root.children[0]));
    EXPECT_EQ(flowExpand(exit), FlowExpand::Nothing);
}

TEST(FlowChooser, EntriesOfAStage)
{
    const auto log = load({{{"/a", ""}, {"/b1", "/a"}, {"/c", "/b1"}},
                           {{"/a", "http://other.example/page"}, {"/b2", "/a"}}},
                          kGroupSite);
    const std::vector<const char*> entries = flowChooserEntries(*log, kStage);
    std::vector<std::string> texts;
    for (const char* e : entries)
        texts.push_back(e ? e : "(null)");
    // Pages and referers as URL groups, the null entry first; the site visit's pages (/b,
    // and its referer "/") are outside the stage.
    EXPECT_EQ(texts, (std::vector<std::string>{"(null)", "/a", "/c", "/shop",
                                               "http://other.example/page"}));
    EXPECT_TRUE(flowChooserEntries(*log, 1u << 5).empty());

    EXPECT_EQ(keptChoice(entries, entries[2]), entries[2]);
    EXPECT_EQ(keptChoice(entries, "/c"), nullptr); // another text: not the store's
    EXPECT_EQ(keptChoice({}, entries[2]), nullptr);
    EXPECT_EQ(findChooserEntry(entries, "/c"), 2);
    EXPECT_EQ(findChooserEntry(entries, "/C"), -1);
}

TEST(FlowChooser, KindsColoursAndBoxes)
{
    const char* group = "/g";
    const char* outsideGroup = "http://g.example";
    const std::set<const char*> groups = {group, outsideGroup};
    const struct
    {
        const char* name;
        PageKind kind;
        std::uint32_t colour;
        const char* box;
    } cases[] = {
        {"/a", PageKind::Page, 0x004000, "WC_FLOWITEM00"},
        {group, PageKind::PageGroup, 0x002060, "WC_FLOWITEM01"},
        {"https://x.example/", PageKind::Outside, 0x800000, "WC_FLOWITEM10"},
        {outsideGroup, PageKind::OutsideGroup, 0x400040, "WC_FLOWITEM11"},
        {nullptr, PageKind::Other, 0x000000, "WC_FLOWITEM20"},
        {kExitKey, PageKind::Other, 0x000000, "WC_FLOWITEM20"},
        {"android-app://x", PageKind::Other, 0x000000, "WC_FLOWITEM20"},
        {"", PageKind::Other, 0x000000, "WC_FLOWITEM20"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_EQ(pageKind(c.name, groups), c.kind);
        EXPECT_EQ(pageColour(c.kind), c.colour);
        EXPECT_STREQ(flowBoxClass(c.kind), c.box);
    }
}

} // namespace
