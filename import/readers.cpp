#include "import/readers.h"

#include "platform/errors.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace sievra {
namespace {
// The parser may look a few bytes beyond the limit when it has already decided; keep them
// inside the allocation.
constexpr std::size_t kSlack = 64;

bool isRegular(int fd)
{
    struct stat st
    {
    };
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

int WindowReader::open(const std::string& path)
{
    if (const int rc = m_file.open(path, platform::File::Mode::Read))
        return rc;
    m_regular = isRegular(m_file.fd());
    m_buffer.reset(new char[kWindow + kSlack]);
    m_offset = 0;
    m_current = m_limit = m_buffer.get();
    m_atEnd = false;
    return fill();
}

int WindowReader::fill()
{
    char* const end = m_buffer.get() + kWindow;
    char* at = const_cast<char*>(m_limit);
    while (at < end && !m_atEnd) {
        const ssize_t n = ::read(m_file.fd(), at, static_cast<std::size_t>(end - at));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_limit = at;
            return platform::lastError();
        }
        if (n == 0)
            m_atEnd = true;
        at += n;
    }
    m_limit = at;
    return 0;
}

bool WindowReader::advance(bool& newWindow)
{
    newWindow = false;
    if (m_error)
        return true;
    char* start = m_buffer.get();
    const std::uint64_t consumed = static_cast<std::uint64_t>(m_current - start);
    if (consumed > kSlide) {
        // The last G bytes of the window become its first; the rest is read anew.
        const std::size_t kept =
            m_limit > start + kSlide ? static_cast<std::size_t>(m_limit - start - kSlide) : 0;
        std::memmove(start, start + kSlide, kept);
        m_limit = start + kept;
        m_current -= kSlide;
        m_offset += kSlide;
        if (const int rc = fill()) {
            m_error = rc;
            m_limit = m_current = start;
            return true;
        }
        newWindow = true;
    }
    return m_atEnd && m_current >= m_limit;
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
        if (n == 0) {
            // zlib reports a stream cut off before its end only through gzerror.
            int error = Z_OK;
            gzerror(gz, &error);
            if (error != Z_OK)
                return false;
            m_atEnd = true;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (m_regular)
        m_position = static_cast<std::uint64_t>(gzoffset(gz));
    return true;
}

int GzipReader::open(const std::string& path)
{
    struct stat st
    {
    };
    m_regular = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    gzFile gz = gzopen(path.c_str(), "rb");
    if (!gz)
        return platform::kErrNotFound;
    m_gz = gz;
    gzbuffer(gz, 1 << 17);
    m_buffer.reset(new char[kCapacity + kSlack]);
    m_atEnd = false;
    std::size_t got = 0;
    m_current = m_limit = m_buffer.get();
    if (!fill(m_buffer.get(), kCapacity, got))
        return platform::kErrInvalidData;
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
    if (consumed > kRefill) {
        const std::size_t keep =
            m_current < m_limit ? static_cast<std::size_t>(m_limit - m_current) : 0;
        const std::size_t beyond = m_current > m_limit ? 1 : 0;
        std::memmove(start, m_current, keep);
        m_current = start + beyond;
        m_limit = start + keep;
        if (!m_atEnd) {
            std::size_t got = 0;
            if (!fill(start + keep, kCapacity - keep, got)) {
                m_error = platform::kErrInvalidData;
                m_current = m_limit = start;
                return true;
            }
            m_limit = start + keep + got;
        }
        newWindow = true;
    }
    return m_atEnd && m_current >= m_limit;
}

} // namespace sievra
