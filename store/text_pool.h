#pragma once

// A pool of NUL-terminated texts, one copy per distinct content, at stable addresses.

#include <cstddef>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace store {

class TextPool
{
  public:
    TextPool() = default;
    TextPool(TextPool&&) = default;
    TextPool& operator=(TextPool&&) = default;

    // The pooled copy of text (added when missing).
    const char* intern(std::string_view text);
    // The pooled copy, or null when the pool does not hold the text.
    const char* find(std::string_view text) const;
    bool contains(const char* pooled) const;
    std::size_t size() const { return m_texts.size(); }
    void clear();

  private:
    const char* store(std::string_view text);

    std::unordered_set<std::string_view> m_texts;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_free = nullptr;
    std::size_t m_left = 0;
};

} // namespace store
