#include "views/flow_tree.h"

#include "filters/key_set.h"
#include "platform/codepage.h"
#include "platform/tab_fields.h"
#include "views/zeroed_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace views {

const char* const kExitKey = "EXIT";
const char* const kReloadKey = "RELOAD";

namespace {

// Pages and referers are numbered for the build: 0 is the null name, and a visit's views
// become pairs of small numbers that index plain arrays.
struct NamePair
{
    std::uint32_t page;
    std::uint32_t ref;
};

// A tree while it grows: nodes by number (0 is the root), each found by its parent and its
// key in one table of open addressing that also holds its count. The nodes are made into
// FlowNodes once complete.
class GrowingTree
{
  public:
    // capacity: the nodes expected.
    explicit GrowingTree(std::size_t capacity)
    {
        keys.reserve(capacity + 1);
        parents.reserve(capacity + 1);
        keys.push_back(0);
        parents.push_back(0);
        std::size_t size = std::size_t{1} << 12;
        while (size / 4 * 3 < capacity)
            size *= 2;
        m_slots = ZeroedTable<Slot>(size);
        m_mask = size - 1;
        m_shift = 64 - static_cast<unsigned>(__builtin_ctzll(size));
    }

    // The count of the child of parent with key; the child is made when missing.
    std::uint32_t& child(std::uint32_t parent, std::uint32_t key, std::uint32_t& node)
    {
        Slot* s = find(parent, key);
        if (!s->node)
            s = add(s, parent, key);
        node = s->node;
        return s->count;
    }

    // Asks the memory for the slot of (parent, key) before it is needed: most lookups of
    // a big tree miss the cache, and the walk has other work to do meanwhile.
    void prefetch(std::uint32_t parent, std::uint32_t key) const
    {
        __builtin_prefetch(&m_slots[slotOf(parent, key)]);
    }

    // Counts by node number.
    ZeroedTable<std::uint32_t> counts() const
    {
        ZeroedTable<std::uint32_t> out(keys.size());
        out[0] = rootCount;
        for (const Slot& s : m_slots)
            if (s.node)
                out[s.node] = s.count;
        return out;
    }

    std::uint32_t rootCount = 0;
    std::vector<std::uint32_t> keys; // name numbers
    std::vector<std::uint32_t> parents;

  private:
    struct Slot
    {
        std::uint32_t key = 0;
        std::uint32_t parent = 0;
        std::uint32_t node = 0; // 0: free (the root is nobody's child)
        std::uint32_t count = 0;
    };
    static_assert(std::is_trivially_copyable_v<Slot>);

    std::size_t slotOf(std::uint32_t parent, std::uint32_t key) const
    {
        const std::uint64_t h = ((std::uint64_t{parent} << 32) | key) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(h >> m_shift);
    }

    Slot* find(std::uint32_t parent, std::uint32_t key)
    {
        for (std::size_t i = slotOf(parent, key);; i = (i + 1) & m_mask) {
            Slot& s = m_slots[i];
            if (!s.node || (s.parent == parent && s.key == key))
                return &s;
        }
    }

    [[gnu::noinline]] Slot* add(Slot* free, std::uint32_t parent, std::uint32_t key)
    {
        *free = {key, parent, static_cast<std::uint32_t>(keys.size()), 0};
        keys.push_back(key);
        parents.push_back(parent);
        if (keys.size() <= m_slots.size() / 4 * 3)
            return free;
        grow();
        return find(parent, key);
    }

    void grow()
    {
        ZeroedTable<Slot> old(m_slots.size() * 2);
        std::swap(old, m_slots);
        m_mask = m_slots.size() - 1;
        --m_shift;
        for (const Slot& s : old)
            if (s.node)
                *find(s.parent, s.key) = s;
    }

    ZeroedTable<Slot> m_slots;
    std::size_t m_mask = 0;
    unsigned m_shift = 0;
};

// The per-visit work of the build, with buffers kept from one visit to the next.
class Builder
{
  public:
    Builder(std::uint32_t page, std::size_t names, const NamePair* fragmentNames,
            const store::Fragment* fragments, std::size_t nextCapacity, std::size_t prevCapacity)
        : next(nextCapacity), prev(prevCapacity), m_page(page), m_latest(names),
          m_names(fragmentNames), m_fragments(fragments)
    {
    }

    void addVisit(const store::LogRecord* records, std::uint32_t count);

    GrowingTree next;
    GrowingTree prev;

  private:
    struct Step
    {
        int view;
        std::uint32_t parent;
        int depth;
    };

    // The latest view of a page in the visit being read; stamped with the visit, so that
    // the next visit starts empty without clearing.
    struct Seen
    {
        std::uint32_t visit = 0;
        int view = -1;
    };

    void followClicks(int start);

    std::uint32_t m_page;
    std::vector<Seen> m_latest; // by name number
    std::uint32_t m_visit = 0;
    const NamePair* m_names;
    const store::Fragment* m_fragments;

    // Per view of the visit being read.
    std::vector<NamePair> m_views;
    std::vector<int> m_from;           // the view the click came from, or -1
    std::vector<int> m_firstClick;     // the first view clicked from this one, or -1
    std::vector<int> m_nextClick;      // the next view clicked from the same one, or -1
    std::vector<std::uint32_t> m_ends; // complete next paths through this view
    std::vector<Step> m_queue;
};

void Builder::addVisit(const store::LogRecord* records, std::uint32_t count)
{
    const int n = static_cast<int>(count);
    m_views.resize(count);
    m_from.assign(count, -1);
    m_firstClick.assign(count, -1);
    m_nextClick.assign(count, -1);
    m_ends.assign(count, 0);
    if (++m_visit == 0) { // the stamps came round: start them again
        std::fill(m_latest.begin(), m_latest.end(), Seen{});
        m_visit = 1;
    }

    // Who clicked whom: the latest earlier view of the referer's page.
    constexpr int kAhead = 8; // records whose names are asked for before they are read
    for (int k = 0; k < n; ++k) {
        const auto u = static_cast<std::size_t>(k);
        if (k + kAhead < n)
            __builtin_prefetch(&m_names[records[k + kAhead].fragment - m_fragments]);
        const NamePair v = m_names[records[k].fragment - m_fragments];
        m_views[u] = v;
        if (v.ref && m_latest[v.ref].visit == m_visit)
            m_from[u] = m_latest[v.ref].view;
        if (v.page)
            m_latest[v.page] = {m_visit, k};
    }
    // Clicks form a forest over the views (every view has at most one origin, always
    // earlier); a complete next path is a walk down to a view nobody clicked from.
    for (int k = n - 1; k >= 0; --k) {
        const auto u = static_cast<std::size_t>(k);
        if (m_ends[u] == 0)
            m_ends[u] = 1;
        if (const int from = m_from[u]; from >= 0) {
            const auto f = static_cast<std::size_t>(from);
            m_ends[f] += m_ends[u];
            m_nextClick[u] = m_firstClick[f];
            m_firstClick[f] = k;
        }
    }

    for (int k = 0; k < n; ++k) {
        const auto u = static_cast<std::size_t>(k);
        if (m_views[u].ref == m_page)
            followClicks(k);
        if (m_views[u].page == m_page) {
            // Back along the clicks that led to this view.
            std::uint32_t node = 0;
            ++prev.rootCount;
            for (int v = k, depth = 1; v >= 0 && depth <= kMaxFlowDepth; ++depth) {
                const auto w = static_cast<std::size_t>(v);
                ++prev.child(node, m_views[w].ref, node);
                v = m_from[w];
            }
        }
    }
}

// The next paths that start at view `start` (clicked from the chosen page): every node of
// the walk counts the complete paths below its view. The walk is breadth-first, so that a
// node's slot, asked for when the node is queued, has arrived when its turn comes.
void Builder::followClicks(int start)
{
    next.rootCount += m_ends[static_cast<std::size_t>(start)];
    m_queue.clear();
    m_queue.push_back({start, 0, 1});
    for (std::size_t q = 0; q < m_queue.size(); ++q) {
        const Step step = m_queue[q];
        const auto u = static_cast<std::size_t>(step.view);
        std::uint32_t node = 0;
        next.child(step.parent, m_views[u].page, node) += m_ends[u];
        if (step.depth == kMaxFlowDepth)
            continue;
        for (int c = m_firstClick[u]; c >= 0; c = m_nextClick[static_cast<std::size_t>(c)]) {
            next.prefetch(node, m_views[static_cast<std::size_t>(c)].page);
            m_queue.push_back({c, node, step.depth + 1});
        }
    }
}

bool isCompletionKey(const char* key)
{
    return key == kExitKey || key == kReloadKey;
}

// Null before any text; texts in the dictionary order of the whole program (case-
// insensitive, ties case-sensitive), which the store's texts have as pointer order.
bool keyBefore(const char* a, const char* b)
{
    if (!a || !b)
        return !a && b;
    if (!isCompletionKey(a) && !isCompletionKey(b))
        return a < b;
    return platform::compareDictionary(a, b) < 0;
}

bool rowBefore(const FlowNode* a, const FlowNode* b)
{
    if (a->count != b->count)
        return a->count > b->count;
    return keyBefore(a->key, b->key);
}

} // namespace

// Turns a grown tree into FlowNodes: the completion children, the row order and the ranks.
class FlowTreeMaker
{
  public:
    static void make(const GrowingTree& grown, const std::vector<const char*>& names,
                     const char* completion, FlowTree& tree)
    {
        const std::size_t n = grown.keys.size();
        const ZeroedTable<std::uint32_t> counts = grown.counts();
        ZeroedTable<std::uint32_t> branches(n);
        ZeroedTable<std::uint64_t> sums(n);
        for (std::size_t i = 1; i < n; ++i) {
            ++branches[grown.parents[i]];
            sums[grown.parents[i]] += counts[i];
        }
        std::vector<std::uint32_t> missing; // nodes that get a completion child
        for (std::size_t i = 0; i < n; ++i)
            if (branches[i] && counts[i] > sums[i])
                missing.push_back(static_cast<std::uint32_t>(i));

        const char* root = tree.root().key;
        tree.m_nodes = ZeroedTable<FlowNode>(n + missing.size());
        ZeroedTable<FlowNode>& nodes = tree.m_nodes;
        for (std::size_t i = 0; i < n; ++i) {
            FlowNode& node = nodes[i];
            node = FlowNode{};
            node.key = i ? names[grown.keys[i]] : root;
            node.count = counts[i];
            if (i) {
                node.parent = &nodes[grown.parents[i]];
                node.depth = node.parent->depth + 1;
            }
        }
        for (std::size_t c = 0; c < missing.size(); ++c) {
            FlowNode& node = nodes[n + c];
            const std::uint32_t p = missing[c];
            node = FlowNode{};
            node.key = completion;
            node.parent = &nodes[p];
            node.depth = nodes[p].depth + 1;
            node.count = counts[p] - static_cast<std::uint32_t>(sums[p]);
            ++branches[p];
        }

        // Each node's children in one run of the shared array: `end` counts up from the
        // run's start while it fills.
        ZeroedTable<std::size_t> end(n);
        for (std::size_t i = 1; i < n; ++i)
            end[i] = end[i - 1] + branches[i - 1];
        tree.m_children = ZeroedTable<FlowNode*>(nodes.size() - 1);
        ZeroedTable<FlowNode*>& children = tree.m_children;
        for (std::size_t i = 1; i < nodes.size(); ++i) {
            const auto p = static_cast<std::size_t>(nodes[i].parent - nodes.begin());
            children[end[p]++] = &nodes[i];
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (!branches[i])
                continue;
            FlowNode** last = children.begin() + end[i];
            FlowNode** first = last - branches[i];
            std::sort(first, last,
                      [](const FlowNode* a, const FlowNode* b) { return rowBefore(a, b); });
            for (FlowNode** c = first; c != last; ++c)
                (*c)->rank = static_cast<std::int32_t>(c - first);
            nodes[i].children = std::span<FlowNode* const>(first, branches[i]);
        }
    }
};

FlowTree::FlowTree()
{
    reset(nullptr);
}

void FlowTree::reset(const char* key)
{
    m_children = {};
    m_nodes = ZeroedTable<FlowNode>(1);
    m_nodes[0] = FlowNode{};
    m_nodes[0].key = key;
}

std::uint32_t FlowTrees::largestRootCount() const
{
    return std::max(m_next.root().count, m_prev.root().count);
}

void FlowTrees::clear()
{
    m_page = nullptr;
    m_next.reset(nullptr);
    m_prev.reset(nullptr);
}

void buildFlowTrees(const store::LogContainer& log, std::uint32_t stageBit, const char* page,
                    FlowTrees& trees)
{
    trees.clear();
    if (!page)
        return;
    trees.m_page = page;
    trees.m_next.reset(page);
    trees.m_prev.reset(page);

    filters::PointerIndex<char> names;
    names.add(nullptr); // number 0
    std::vector<std::uint32_t> reqNames(log.Req.size());
    for (std::size_t i = 0; i < reqNames.size(); ++i)
        reqNames[i] = names.add(log.Req[i].group);
    std::vector<std::uint32_t> refNames(log.Ref.size());
    for (std::size_t i = 0; i < refNames.size(); ++i)
        refNames[i] = names.add(log.Ref[i].group);
    const std::uint32_t chosen = names.find(page);
    if (chosen == filters::PointerIndex<char>::kNone)
        return; // no fragment names the page: nobody viewed it or came from it

    // The names of every fragment, and whether it names the page: a visitor that never
    // meets the page costs a byte per record.
    const store::Fragment* fragments = log.Frg2.data();
    ZeroedTable<NamePair> fragmentNames(log.Frg2.size());
    ZeroedTable<std::uint8_t> meets(log.Frg2.size());
    for (std::size_t i = 0; i < fragmentNames.size(); ++i) {
        const store::Fragment& f = fragments[i];
        const NamePair p = {f.req ? reqNames[static_cast<std::size_t>(f.req - log.Req.data())] : 0,
                            f.ref ? refNames[static_cast<std::size_t>(f.ref - log.Ref.data())] : 0};
        fragmentNames[i] = p;
        meets[i] = p.page == chosen || p.ref == chosen;
    }

    std::vector<const store::VisitorEntry*> meeting;
    std::size_t meetingViews = 0;
    for (const store::VisitorEntry& v : log.Visitors) {
        if (!(v.mask & stageBit) || !v.first)
            continue;
        bool met = false;
        for (std::uint32_t k = 0; k < v.count && !met; ++k)
            met = meets[static_cast<std::size_t>(v.first[k].fragment - fragments)] != 0;
        if (met) {
            meeting.push_back(&v);
            meetingViews += v.count;
        }
    }

    // Room for the nodes from the start, as the views suggest (a quarter of them for the
    // next tree, a sixteenth for the previous one, as on the logs of a web shop): growing
    // a table of millions of nodes costs more than its building. Too little only grows.
    Builder builder(chosen, names.size(), fragmentNames.begin(), fragments, meetingViews / 4,
                    meetingViews / 16);
    for (const store::VisitorEntry* v : meeting)
        builder.addVisit(v->first, v->count);

    builder.next.rootCount = std::max(builder.next.rootCount, builder.prev.rootCount);
    FlowTreeMaker::make(builder.next, names.keys(), kExitKey, trees.m_next);
    FlowTreeMaker::make(builder.prev, names.keys(), kReloadKey, trees.m_prev);
}

bool isCompletion(const FlowNode& node)
{
    return isCompletionKey(node.key);
}

std::string shareText(const FlowNode& node)
{
    const double base = node.parent ? double(node.parent->count) : 0.0;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", base > 0 ? double(node.count) * 100.0 / base : 0.0);
    return text;
}

std::vector<const char*> pathKeys(const FlowNode& node)
{
    std::vector<const char*> keys;
    for (const FlowNode* n = &node; n; n = n->parent)
        keys.push_back(n->key);
    std::reverse(keys.begin(), keys.end());
    return keys;
}

namespace {

void appendTree(std::string& out, const char* side, const FlowNode& root, int maxDepth)
{
    std::vector<const FlowNode*> stack(root.children.rbegin(), root.children.rend());
    while (!stack.empty()) {
        const FlowNode* node = stack.back();
        stack.pop_back();
        if (node->depth > maxDepth)
            continue;
        char numbers[48];
        std::snprintf(numbers, sizeof numbers, "\t%d\t%u\t", node->depth, node->count);
        out += side;
        out += numbers;
        out += shareText(*node);
        out += '\t';
        platform::appendTabField(out, node->key);
        out += '\n';
        stack.insert(stack.end(), node->children.rbegin(), node->children.rend());
    }
}

} // namespace

std::string flowListing(const FlowTrees& trees, int maxDepth)
{
    std::string out;
    if (!trees.page())
        return out;
    appendTree(out, "next", trees.next().root(), maxDepth);
    appendTree(out, "prev", trees.prev().root(), maxDepth);
    return out;
}

} // namespace views
