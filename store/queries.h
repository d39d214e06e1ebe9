#pragma once

// The answers of the store to the panes' queries (the store window relays the messages
// here). A null store answers 0 / null, as the window does while a load is running.

#include "store/log_container.h"

#include <cstdint>
#include <set>

namespace store {

// Number of entries; the first entry's address through first when it is not null.
std::uint32_t getRecords(LogContainer* log, LogRecord** first);
std::uint32_t getHosts(LogContainer* log, HostEntry** first);
std::uint32_t getFragments(LogContainer* log, Fragment** first);
std::uint32_t getVisitors(LogContainer* log, VisitorEntry** first);

// LocalSite ("" when unset or no store).
const char* getTitle(const LogContainer* log);
const std::set<const char*>* getGroupSet(const LogContainer* log);
// Whether a text taken from the tables is a URL-group name in use (pointer comparison).
bool isGroupName(const LogContainer* log, const char* text);

// The URL behind the first own-site prefix that covers it (the host must end where the
// prefix ends), "/" when nothing follows the prefix, null for other sites.
const char* stripLocalSite(const LogContainer* log, const char* url);

// A resolver's answer: the address in network byte order and the reversed name (null or
// "" for none). The matching host entry points to the pooled name; other addresses are
// ignored. Returns whether an entry was updated.
bool hostResolved(LogContainer* log, std::uint32_t networkAddress, const char* name);

} // namespace store
