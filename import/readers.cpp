#include "import/readers.h"

#include <cstring>
#include <zlib.h>

#include "platform/errors.h"

namespace sievra {
namespace {
// The parser may look a few bytes beyond the limit when it has already decided; keep them
// inside the allocation.
constexpr std::size_t kSlack = 64;
constexpr int kErrInvalidData = 13;
} // namespace

int WindowReader::open(const std::string& path)
{
    if (const int rc = m_file.open(path, platform::File::Mode::Read))
        return rc;
    const std::int64_t size = m_file.size();
    if (size < 0)
        return platform::lastError();
    m_size = static_cast<std::uint64_t>(size);
    m_buffer.reset(new char[kWindow + kSlack]);
    m_offset = 0;
    return load();
}

int WindowReader::load()
{
    const std::uint64_t rest = m_size - m_offset;
    const std::size_t length = static_cast<std::size_t>(rest < kWindow ? rest : kWindow);
    std::size_t got = 0;
    const int rc = m_file.readAt(m_offset, m_buffer.get(), length, &got);
    m_current = m_buffer.get();
    m_limit = m_buffer.get() + got;
    // A file that shrank while it was read ends early but is not garbage.
    return rc == platform::kErrHandleEof ? 0 : rc;
}

bool WindowReader::advance(bool& newWindow)
{
    newWindow = false;
    if (m_error)
        return true;
    const std::uint64_t consumed = static_cast<std::uint64_t>(m_current - m_buffer.get());
    if (consumed > kSlide) {
        m_offset += kSlide;
        if (const int rc = load()) {
            m_error = rc;
            m_limit = m_current = m_buffer.get();
            return true;
        }
        m_current = m_buffer.get() + (consumed - kSlide);
        newWindow = true;
    }
    const std::uint64_t at = m_offset + static_cast<std::uint64_t>(m_current - m_buffer.get());
    return at >= m_size || m_current >= m_limit + 1;
}

GzipReader::~GzipReader()
{
    if (m_gz)
        gzclose(static_cast<gzFile>(m_gz));
}

bool GzipReader::fill(char* to, std::size_t room, std::size_t& got)
{
    got = 0;
    auto* gz = static_cast<gzFile>(m_gz);
    while (got < room) {
        const int n = gzread(gz, to + got, static_cast<unsigned>(room - got));
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    m_position = static_cast<std::uint64_t>(gzoffset(gz));
    return true;
}

int GzipReader::open(const std::string& path)
{
    gzFile gz = gzopen(path.c_str(), "rb");
    if (!gz)
        return platform::kErrNotFound;
    m_gz = gz;
    gzbuffer(gz, 1 << 17);
    m_buffer.reset(new char[kCapacity + kSlack]);
    std::size_t got = 0;
    if (!fill(m_buffer.get(), kCapacity, got))
        return kErrInvalidData;
    m_current = m_buffer.get();
    m_limit = m_buffer.get() + got;
    return 0;
}

bool GzipReader::advance(bool& newWindow)
{
    newWindow = false;
    if (m_error)
        return true;
    char* start = m_buffer.get();
    const std::size_t consumed = static_cast<std::size_t>(m_current - start);
    if (consumed <= kRefill)
        return false;
    const std::size_t keep = m_current < m_limit ? static_cast<std::size_t>(m_limit - m_current) : 0;
    std::memmove(start, m_current, keep);
    std::size_t got = 0;
    if (!fill(start + keep, kCapacity - keep, got)) {
        m_error = kErrInvalidData;
        m_current = m_limit = start;
        return true;
    }
    m_current = start;
    m_limit = start + keep + got;
    newWindow = true;
    return false;
}

} // namespace sievra
