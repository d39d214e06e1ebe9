#pragma once

// Buffered writer at a running offset of a file: one system call per megabyte.

#include "platform/files.h"

#include <cstdint>
#include <string>

namespace sievra {

class OutputWriter
{
  public:
    static constexpr std::size_t kBufferMax = 1 << 20;

    OutputWriter(platform::File& file, std::uint64_t offset) : m_file(file), m_offset(offset) {}

    [[nodiscard]] int put(const void* data, std::size_t length)
    {
        if (m_buffer.size() + length > kBufferMax)
            if (const int rc = flush())
                return rc;
        m_buffer.append(static_cast<const char*>(data), length);
        return 0;
    }
    [[nodiscard]] int flush()
    {
        if (m_buffer.empty())
            return 0;
        const int rc = m_file.writeAt(m_offset, m_buffer.data(), m_buffer.size());
        m_offset += m_buffer.size();
        m_buffer.clear();
        return rc;
    }

  private:
    platform::File& m_file;
    std::uint64_t m_offset;
    std::string m_buffer;
};

} // namespace sievra
