#include "store/cache_reader.h"

#include <cstring>

#include "platform/codepage.h"

namespace store {

int CacheReader::open(const std::string& path)
{
    m_atEnd = true;
    if (const int rc = m_file.open(path, platform::File::Mode::Read))
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
    const void* lf = m_p < m_end ? std::memchr(m_p, '\n', static_cast<std::size_t>(m_end - m_p)) : nullptr;
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
    // To the next "[" that is a character of its own, not the trail byte of one.
    while (m_p < m_end && *m_p != '[')
        m_p = platform::nextChar(m_p, m_end);
    if (m_p >= m_end) {
        m_atEnd = true;
        return;
    }
    for (auto& l : m_lines)
        l = line();
}

} // namespace store
