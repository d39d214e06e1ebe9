#pragma once

// The flow view's computing half: for one chosen page E, the prefix trees of the click
// paths that lead away from E (next tree) and towards E (previous tree), counted over the
// visitors of one stage of the filter chain. The window (later) and `vexilo-cli flow` build
// the trees with the same call and read the same nodes:
//
//     views::FlowTrees trees;
//     views::buildFlowTrees(log, filters::stageBit(source), page, trees);
//     for (const views::FlowNode* row : trees.next().root().children) // a box's "next" list
//         ... row->count, views::shareText(*row), row->key ...
//     if (views::canExpand(row)) ... open a box for row (flow_layout.h)
//
// Pages are URL-group names (the group of a ReqEntry or RefEntry): pointers into the
// store's dictionary, compared by identity. The trees hold pointers into the store and
// must be dropped before the log closes or reloads.

#include "store/log_container.h"
#include "views/zeroed_table.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace views {

class FlowBox; // the window half's box showing a node's branches; the core only keeps it

// The keys of the completion nodes. They are texts of their own, not of the store, so a
// page of the log that happens to be called "EXIT" stays a page.
extern const char* const kExitKey;   // next tree: paths that end at the parent
extern const char* const kReloadKey; // previous tree: paths whose earlier step is not in the visit

// Paths are followed at most this many steps from the chosen page. Counts above that depth
// are exact; deeper steps are not kept. Without a bound one visit of many thousand clicks
// (a proxy shared by a whole office) makes paths as long as the visit, and the time and
// memory of the trees grow with the square of its length.
inline constexpr int kMaxFlowDepth = 32;

struct FlowNode
{
    // The page of this step (CP932, a store text); kExitKey or kReloadKey; null for "no
    // referer" in the previous tree.
    const char* key = nullptr;
    FlowNode* parent = nullptr; // one step closer to the chosen page; null for a root
    FlowBox* box = nullptr;     // the box showing this node's branches, if any
    std::uint32_t count = 0;    // paths that reach this node
    std::int32_t rank = -1;     // position in the parent's list (children order)
    int depth = 0;              // 0 for a root, 1 for its children
    // The branches in row order (count descending, then the keys in dictionary order, the
    // null key first): children[i]->rank == i. Owned by the tree.
    std::span<FlowNode* const> children;
};

// One tree: its root and every node, owned together (a deep tree is freed without
// recursion, a big one without a free per node).
class FlowTree
{
  public:
    FlowTree();
    FlowTree(const FlowTree&) = delete;
    FlowTree& operator=(const FlowTree&) = delete;

    FlowNode& root() { return m_nodes[0]; }
    const FlowNode& root() const { return m_nodes[0]; }
    std::size_t nodeCount() const { return m_nodes.size(); }

    // Empties the tree down to a root with key and count 0.
    void reset(const char* key);

  private:
    friend class FlowTreeMaker;
    ZeroedTable<FlowNode> m_nodes;     // the root first
    ZeroedTable<FlowNode*> m_children; // every node's children, one run per node
};

// Both trees of one chosen page.
class FlowTrees
{
  public:
    // The chosen page; null while nothing is built (no choice, or the null entry).
    const char* page() const { return m_page; }
    FlowTree& next() { return m_next; }
    const FlowTree& next() const { return m_next; }
    FlowTree& prev() { return m_prev; }
    const FlowTree& prev() const { return m_prev; }
    // The larger root count: the count column of every box is as wide as this number.
    std::uint32_t largestRootCount() const;
    // Drops both trees (the log closes); boxes must be gone first.
    void clear();

  private:
    friend void buildFlowTrees(const store::LogContainer&, std::uint32_t, const char*, FlowTrees&);
    const char* m_page = nullptr;
    FlowTree m_next;
    FlowTree m_prev;
};

// Builds both trees of page from the visitors whose mask has stageBit, replacing what
// trees held. A null page leaves both trees empty (page() null, roots without count).
//
// A visitor's page views are its records in time order; page(k) is the URL group of the
// request of view k, ref(k) that of its referer. A click from view j to view k means that
// ref(k) = page(j) and that j is the latest view of that page before k (later clicks from
// the page belong to its newest showing). Every view i with ref(i) = E starts a next path,
// which follows the clicks made from each of its views; where a view led to several clicks
// (tabs) the path branches. Every view j of E starts a previous path, which follows back
// the click that led to each of its views. A next path adds 1 to every node keyed page()
// along it, a previous path to every node keyed ref(). Then the next root counts the larger
// of the two roots' counts, and a node with children whose count exceeds their sum gets
// the difference as a child "EXIT" (next tree) or "RELOAD" (previous tree).
void buildFlowTrees(const store::LogContainer& log, std::uint32_t stageBit, const char* page,
                    FlowTrees& trees);

// Whether a double click on a row of this node opens a box: it has branches of its own
// (never "EXIT", "RELOAD" or a leaf).
inline bool canExpand(const FlowNode* node)
{
    return node && !node->children.empty();
}

bool isCompletion(const FlowNode& node); // "EXIT" or "RELOAD"

// The node's share of its parent's count, "%.1f%%" (what a box row and the command print);
// "0.0%" for a root.
std::string shareText(const FlowNode& node);

// The keys from the chosen page to node, both included (a box row's whole-path mode).
std::vector<const char*> pathKeys(const FlowNode& node);

// The trees as `vexilo-cli flow` prints them: one line per node down to maxDepth (1: the
// root's children), the next tree first, depth-first with children in row order:
// "next|prev <TAB> depth <TAB> count <TAB> share <TAB> key" and LF; the key as its CP932
// bytes, empty for the null key.
std::string flowListing(const FlowTrees& trees, int maxDepth);

} // namespace views
