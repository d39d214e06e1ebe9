#include "import/string_pool.h"

#include "import/hash.h"

#include <algorithm>
#include <cstring>

namespace sievra {
namespace {
// Blocks grow from 64 KiB to 1 MiB: most pools of an import hold little (the agents of a
// site, its users), and every block is memory touched.
constexpr std::size_t kFirstBlock = 1 << 16;
constexpr std::size_t kBlockSize = 1 << 20;
} // namespace

StringPool::StringPool()
{
    clear();
}

void StringPool::clear()
{
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_blocks.clear();
    m_free = nullptr;
    m_left = 0;
    m_arenaBytes = 0;
    m_nextBlock = kFirstBlock;
    m_slots.assign(1024, 0);
    m_mask = 1023;
    m_entries.push_back(Entry{"", 0, 0, 0});
}

const char* StringPool::store(std::string_view text)
{
    if (text.size() > m_left) {
        if (text.size() > kBlockSize / 4) { // an outsized text gets a block of its own
            m_blocks.emplace_back(new char[text.size()]);
            m_arenaBytes += text.size();
            return static_cast<const char*>(
                std::memcpy(m_blocks.back().get(), text.data(), text.size()));
        }
        const std::size_t size = std::max(m_nextBlock, text.size());
        m_nextBlock = std::min(m_nextBlock * 2, kBlockSize);
        m_blocks.emplace_back(new char[size]);
        m_arenaBytes += size;
        m_free = m_blocks.back().get();
        m_left = size;
    }
    char* at = m_free;
    std::memcpy(at, text.data(), text.size());
    m_free += text.size();
    m_left -= text.size();
    return at;
}

void StringPool::grow()
{
    const std::uint32_t slots = (m_mask + 1) * 2;
    std::vector<std::uint32_t> next(slots, 0);
    const std::uint32_t mask = slots - 1;
    for (std::uint32_t id = 1; id < m_entries.size(); ++id) {
        if (m_entries[id].removed)
            continue;
        std::uint32_t i = m_entries[id].hash & mask;
        while (next[i])
            i = (i + 1) & mask;
        next[i] = id + 1;
    }
    m_slots.swap(next);
    m_mask = mask;
}

bool StringPool::find(std::string_view text, std::uint32_t& id) const
{
    if (text.empty()) {
        id = 0;
        return true;
    }
    const auto hash = static_cast<std::uint32_t>(hashBytes(text.data(), text.size()) & 0x7FFFFFFF);
    for (std::uint32_t i = hash & m_mask;; i = (i + 1) & m_mask) {
        const std::uint32_t slot = m_slots[i];
        if (!slot)
            return false;
        const Entry& e = m_entries[slot - 1];
        if (e.hash == hash && e.length == text.size() && !e.removed &&
            std::memcmp(e.data, text.data(), text.size()) == 0) {
            id = slot - 1;
            return true;
        }
    }
}

std::uint32_t StringPool::hashOf(std::string_view text)
{
    return static_cast<std::uint32_t>(hashBytes(text.data(), text.size()) & 0x7FFFFFFF);
}

std::uint32_t StringPool::intern(std::string_view text, std::uint32_t hash)
{
    if (text.empty())
        return 0;
    std::uint32_t i = hash & m_mask;
    for (;; i = (i + 1) & m_mask) {
        const std::uint32_t slot = m_slots[i];
        if (!slot)
            break;
        const Entry& e = m_entries[slot - 1];
        if (e.hash == hash && e.length == text.size() && !e.removed &&
            std::memcmp(e.data, text.data(), text.size()) == 0)
            return slot - 1;
    }
    const auto id = static_cast<std::uint32_t>(m_entries.size());
    m_entries.push_back(Entry{store(text), static_cast<std::uint32_t>(text.size()), hash, 0});
    m_slots[i] = id + 1;
    if (m_entries.size() * 2 > m_mask + 1)
        grow();
    return id;
}

void StringPool::remove(std::uint32_t id)
{
    if (id == 0 || m_entries[id].removed)
        return;
    m_entries[id].removed = 1;
    // Removed entries keep their slot (as a tombstone that never matches) until the next
    // growth; removals happen only while finishing, when nothing is added any more.
}

} // namespace sievra
