#include "store/cache_reader.h"

#include <cstring>

namespace store {

int CacheReader::open(const std::string& path)
{
    m_atEnd = true;
    if (const int rc = m_file.open(path, platform::File::Mode::ReadFile))
        return rc;
    if (const int rc = m_view.map(m_file, 0, 0, false))
        return rc;
    m_p = m_view.data();
    m_end = m_p + m_view.size();
    m_atEnd = false;
    next();
    return 0;
}

void CacheReader::skipWhite()
{
    while (m_p < m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\r' || *m_p == '\n'))
        ++m_p;
}

std::string_view CacheReader::line()
{
    const char* start = m_p;
    const void* lf =
        m_p < m_end ? std::memchr(m_p, '\n', static_cast<std::size_t>(m_end - m_p)) : nullptr;
    std::string_view text;
    if (lf) {
        const char* at = static_cast<const char*>(lf);
        text = std::string_view(start, static_cast<std::size_t>(at > start ? at - 1 - start : 0));
        m_p = at + 1;
    } else {
        text = std::string_view(start, static_cast<std::size_t>(m_end - start));
        m_p = m_end;
    }
    skipWhite();
    return text;
}

void CacheReader::next()
{
    if (m_atEnd)
        return;
    // To the next line that begins with "[". The byte after a line feed always starts a
    // character (LF is no lead byte), and a line feed is never a trail byte.
    const char* begin = m_view.data();
    while (m_p < m_end && !(*m_p == '[' && (m_p == begin || m_p[-1] == '\n'))) {
        const void* lf = std::memchr(m_p, '\n', static_cast<std::size_t>(m_end - m_p));
        m_p = lf ? static_cast<const char*>(lf) + 1 : m_end;
    }
    if (m_p >= m_end) {
        m_atEnd = true;
        return;
    }
    for (auto& l : m_lines)
        l = line();
}

bool CacheReader::canHold(std::string_view text)
{
    return !text.empty() && text.front() != ' ' && text.front() != '\t' &&
           text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace store
