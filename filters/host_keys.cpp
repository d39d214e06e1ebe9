#include "filters/host_keys.h"

#include <cstdio>
#include <string_view>

namespace filters {

void HostKeys::prepare(const store::LogContainer& log)
{
    if (m_base != log.Host.data() || m_entries.size() != log.Host.size()) {
        m_base = log.Host.data();
        m_entries.assign(log.Host.size(), Entry{});
    }
}

void HostKeys::clear()
{
    m_base = nullptr;
    m_entries.clear();
    m_pool.clear();
}

HostKeys::Entry HostKeys::make(const store::HostEntry& h)
{
    Entry e{h.name, nullptr, true};
    if (!h.name)
        return e;
    if (!*h.name && h.address) {
        char dotted[16];
        std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", h.address >> 24,
                      (h.address >> 16) & 0xFF, (h.address >> 8) & 0xFF, h.address & 0xFF);
        e.key = m_pool.intern(dotted);
        return e;
    }
    const std::string_view name = h.name;
    switch (m_kind) {
    case Kind::TldJp:
        e.key = m_pool.intern(name.substr(0, topLevelDomainLength(name)));
        break;
    case Kind::Domain:
        e.key = m_pool.intern(name.substr(0, domainLength(name)));
        break;
    default:
        e.key = h.name;
        break;
    }
    return e;
}

} // namespace filters
