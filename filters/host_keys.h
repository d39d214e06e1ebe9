#pragma once

// The keys of the host-name kinds, made once per host and kept until the log closes (or the
// host's name changes, when the resolver delivered one): the reversed name itself, its
// top-level-domain cut or its domain cut. Cut parts are interned in a pool of the pane, so
// equal parts are one key. A host that was looked up and has no name (the empty name) is
// shown by its dotted address, as the log view shows it: each such host stays an item of
// its own instead of all of them merging into one blank row.

#include "filters/kinds.h"
#include "store/log_container.h"
#include "store/text_pool.h"

#include <cstdint>
#include <vector>

namespace filters {

class HostKeys
{
  public:
    explicit HostKeys(Kind kind) : m_kind(kind) {}

    // Makes ready for the hosts of log (call before each recomputation; keeps what is known
    // while the table is the same).
    void prepare(const store::LogContainer& log);

    // The key of host h, an entry of the prepared log's Host table; null while the host's
    // name is not known.
    const char* key(const store::HostEntry* h)
    {
        Entry& e = m_entries[static_cast<std::size_t>(h - m_base)];
        if (e.name != h->name || !e.made)
            e = make(*h);
        return e.key;
    }

    // Forgets every key and the pool (the log closed).
    void clear();

  private:
    struct Entry
    {
        const char* name = nullptr;
        const char* key = nullptr;
        bool made = false;
    };

    Entry make(const store::HostEntry& h);

    Kind m_kind;
    const store::HostEntry* m_base = nullptr;
    std::vector<Entry> m_entries;
    store::TextPool m_pool;
};

} // namespace filters
