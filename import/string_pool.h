#pragma once

// StringPool: every distinct text once, with a stable 32-bit identity for the rest of an
// import. Identity 0 is the empty text, which stands for an absent field. Texts live in
// an arena of large blocks, so pooling costs one hash lookup and, the first time, one copy.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace sievra {

class StringPool
{
  public:
    StringPool();

    // The identity of text, adding it when it is new.
    std::uint32_t intern(std::string_view text) { return intern(text, hashOf(text)); }
    // The same with hashOf(text) known (made on another thread, say).
    std::uint32_t intern(std::string_view text, std::uint32_t hash);
    static std::uint32_t hashOf(std::string_view text);
    // The identity of text, or false when it is not in the pool (or was removed).
    bool find(std::string_view text, std::uint32_t& id) const;

    std::string_view text(std::uint32_t id) const
    {
        return {m_entries[id].data, m_entries[id].length};
    }
    // Number of identities handed out, the removed ones and identity 0 included.
    std::uint32_t size() const { return static_cast<std::uint32_t>(m_entries.size()); }

    // Takes a text out of the pool: find() no longer sees it; its identity stays valid
    // for text() so that references can still be mapped.
    void remove(std::uint32_t id);
    bool removed(std::uint32_t id) const { return m_entries[id].removed; }

    // Frees everything.
    void clear();

    std::size_t bytes() const
    {
        return m_arenaBytes + m_entries.capacity() * sizeof(Entry) + m_slots.capacity() * 4;
    }

  private:
    struct Entry
    {
        const char* data;
        std::uint32_t length;
        std::uint32_t hash : 31;
        std::uint32_t removed : 1;
    };

    const char* store(std::string_view text);
    void grow();

    std::vector<Entry> m_entries;
    std::vector<std::uint32_t> m_slots; // identity + 1, 0 = empty slot
    std::uint32_t m_mask = 0;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_free = nullptr;
    std::size_t m_left = 0;
    std::size_t m_arenaBytes = 0;
    std::size_t m_nextBlock = 0; // the size of the next block
};

} // namespace sievra
