#include "store/text_pool.h"

#include <cstring>

namespace store {
namespace {
constexpr std::size_t kBlock = 256 * 1024;
}

const char* TextPool::store(std::string_view text)
{
    const std::size_t need = text.size() + 1;
    char* at;
    if (need > kBlock / 8) {
        m_blocks.emplace_back(new char[need]);
        at = m_blocks.back().get();
    } else {
        if (need > m_left) {
            m_blocks.emplace_back(new char[kBlock]);
            m_free = m_blocks.back().get();
            m_left = kBlock;
        }
        at = m_free;
        m_free += need;
        m_left -= need;
    }
    if (!text.empty())
        std::memcpy(at, text.data(), text.size());
    at[text.size()] = '\0';
    return at;
}

const char* TextPool::intern(std::string_view text)
{
    if (auto it = m_texts.find(text); it != m_texts.end())
        return it->data();
    const char* copy = store(text);
    m_texts.insert(std::string_view(copy, text.size()));
    return copy;
}

const char* TextPool::find(std::string_view text) const
{
    auto it = m_texts.find(text);
    return it == m_texts.end() ? nullptr : it->data();
}

bool TextPool::contains(const char* pooled) const
{
    if (!pooled)
        return false;
    auto it = m_texts.find(std::string_view(pooled));
    return it != m_texts.end() && it->data() == pooled;
}

void TextPool::clear()
{
    m_texts.clear();
    m_blocks.clear();
    m_free = nullptr;
    m_left = 0;
}

} // namespace store
