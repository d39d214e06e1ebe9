// Finishing an import: trailing-slash merge, dictionary, fragments, reference patching
// and the final header.

#include "import/import_job.h"
#include "import/output_writer.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/parallel.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sievra {
namespace {

constexpr std::size_t kDictionaryPerPart = 20000; // texts sorted in one part at least

// "/dir" is folded into "/dir/" when the pool holds both. Returns, per identity, the
// identity it now stands for.
std::vector<std::uint32_t> mergeTrailingSlash(StringPool& pool)
{
    std::vector<std::uint32_t> target(pool.size());
    std::string candidate;
    for (std::uint32_t id = 0; id < pool.size(); ++id) {
        target[id] = id;
        if (id == 0 || pool.removed(id))
            continue;
        const std::string_view text = pool.text(id);
        if (text.back() == '/')
            continue;
        candidate.assign(text);
        candidate += '/';
        std::uint32_t slashed;
        if (pool.find(candidate, slashed)) {
            pool.remove(id);
            target[id] = slashed;
        }
    }
    return target;
}

struct DicItem
{
    std::string_view text;
    std::uint32_t pool;
    std::uint32_t id;
};

} // namespace

int ImportJob::finishFile()
{
    std::uint32_t started = platform::tickCount();
    if (const int rc = flush())
        return rc;
    m_header.setSize(kRec, m_recordsWritten * kRecordSize, false);
    m_header.setSize(kFrg, std::uint64_t(m_data.fragments.size()) * kFragmentSize, false);

    // 1. Trailing-slash merge of paths, then of referers.
    const auto pathTarget = mergeTrailingSlash(m_data.paths);
    const auto refererTarget = mergeTrailingSlash(m_data.referers);
    for (Fragment9& f : m_data.fragments.items()) {
        f.path = pathTarget[f.path];
        f.referer = refererTarget[f.referer];
    }
    libraryTrace("Finish1 %d\r\n", static_cast<int>(platform::tickCount() - started));

    // 2. Dictionary: every pooled text once, in dictionary order.
    started = platform::tickCount();
    StringPool* pools[] = {&m_data.hosts,   &m_data.users,    &m_data.agents,    &m_data.paths,
                           &m_data.queries, &m_data.referers, &m_data.refQueries};
    enum { kHosts, kUsers, kAgents, kPaths, kQueries, kReferers, kRefQueries, kPools };
    std::vector<DicItem> items;
    std::size_t count = 0;
    for (auto* pool : pools)
        count += pool->size();
    items.reserve(count);
    for (std::uint32_t p = 0; p < kPools; ++p)
        for (std::uint32_t id = 1; id < pools[p]->size(); ++id)
            if (!pools[p]->removed(id))
                items.push_back({pools[p]->text(id), p, id});
    // Sorted in parts on every core, then merged. Only equal texts compare equal, and they
    // share one entry, so the dictionary is the same for any number of parts.
    const auto before = [](const DicItem& a, const DicItem& b) {
        return platform::compareDictionary(a.text, b.text) < 0;
    };
    platform::sortInParts(items.begin(), items.end(), before, kDictionaryPerPart);
    libraryTrace("Finish2 %d\r\n", static_cast<int>(platform::tickCount() - started));

    // 3. Dictionary write: offsets from the leading NUL; equal texts of several pools
    //    share one entry.
    started = platform::tickCount();
    std::vector<std::uint32_t> offsets[kPools];
    for (std::uint32_t p = 0; p < kPools; ++p)
        offsets[p].assign(pools[p]->size(), 0);
    const std::uint64_t dicStart = kHeaderSize + m_recordsWritten * kRecordSize;
    OutputWriter out(m_output, dicStart);
    int rc = out.put("", 1);
    std::uint64_t at = 1;
    std::string_view previous;
    std::uint32_t previousOffset = 0;
    for (const DicItem& item : items) {
        if (rc)
            break;
        if (previousOffset && item.text == previous) {
            offsets[item.pool][item.id] = previousOffset;
            continue;
        }
        if (at > 0xFFFFFFFFull)
            return platform::kErrDiskFull; // dictionary offsets are 32-bit
        previousOffset = static_cast<std::uint32_t>(at);
        previous = item.text;
        offsets[item.pool][item.id] = previousOffset;
        rc = out.put(item.text.data(), item.text.size());
        if (!rc)
            rc = out.put("", 1);
        at += item.text.size() + 1;
    }
    if (!rc)
        rc = out.put("", 1);
    ++at;
    if (rc)
        return rc;
    m_header.setSize(kDic, at, false);

    // 4. Fragments, with their texts as dictionary offsets.
    for (Fragment9 f : m_data.fragments.items()) {
        f.path = offsets[kPaths][f.path];
        f.referer = offsets[kReferers][f.referer];
        f.user = offsets[kUsers][f.user];
        f.agent = offsets[kAgents][f.agent];
        f.query = offsets[kQueries][f.query];
        f.refQuery = offsets[kRefQueries][f.refQuery];
        if ((rc = out.put(&f, sizeof f)))
            return rc;
    }
    if ((rc = out.flush()))
        return rc;
    libraryTrace("Finish3 %d\r\n", static_cast<int>(platform::tickCount() - started));

    // The texts are written: free the pools before patching.
    items.clear();
    items.shrink_to_fit();
    const std::vector<std::uint32_t> hostOffsets = std::move(offsets[kHosts]);
    for (auto* pool : pools)
        pool->clear();
    m_data.fragments.clear();

    // 5. Patch the records in place, G records at a time through one buffer.
    started = platform::tickCount();
    std::vector<unsigned char> chunk;
    for (std::uint64_t i = 0; i < m_recordsWritten; i += platform::kAllocationGranularity) {
        const std::uint64_t n =
            std::min<std::uint64_t>(platform::kAllocationGranularity, m_recordsWritten - i);
        const std::uint64_t offset = kHeaderSize + i * kRecordSize;
        chunk.resize(n * kRecordSize);
        if ((rc = m_output.readAt(offset, chunk.data(), chunk.size())))
            return rc;
        for (std::uint64_t r = 0; r < n; ++r) {
            PendingRecord rec;
            std::memcpy(&rec, chunk.data() + r * kRecordSize, kRecordSize);
            rec.host = hostOffsets[rec.host];
            rec.fragment *= kFragmentSize;
            std::memcpy(chunk.data() + r * kRecordSize, &rec, kRecordSize);
        }
        if ((rc = m_output.writeAt(offset, chunk.data(), chunk.size())))
            return rc;
    }
    libraryTrace("map ptr time=%d\r\n", static_cast<int>(platform::tickCount() - started));

    // 6. The final header.
    started = platform::tickCount();
    for (int s = kRec; s <= kFrg; ++s)
        m_header.setSize(s, m_header.size(s), true);
    if ((rc = m_output.writeAt(0, m_header.bytes, kHeaderSize)))
        return rc;
    libraryTrace("Finish4 %d\r\n", static_cast<int>(platform::tickCount() - started));
    return 0;
}

} // namespace sievra
