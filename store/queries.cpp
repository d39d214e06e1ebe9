#include "store/queries.h"

#include "store/load_steps.h"

#include <algorithm>
#include <arpa/inet.h>

namespace store {
namespace {

template <typename T, typename A>
std::uint32_t answer(LogContainer* log, std::vector<T, A> LogContainer::*table, T** first)
{
    if (!log)
        return 0;
    auto& t = log->*table;
    if (first)
        *first = t.data();
    return static_cast<std::uint32_t>(t.size());
}

} // namespace

std::uint32_t getRecords(LogContainer* log, LogRecord** first)
{
    return answer(log, &LogContainer::Rec2, first);
}

std::uint32_t getHosts(LogContainer* log, HostEntry** first)
{
    return answer(log, &LogContainer::Host, first);
}

std::uint32_t getFragments(LogContainer* log, Fragment** first)
{
    return answer(log, &LogContainer::Frg2, first);
}

std::uint32_t getVisitors(LogContainer* log, VisitorEntry** first)
{
    return answer(log, &LogContainer::Visitors, first);
}

const char* getTitle(const LogContainer* log)
{
    return log ? log->LocalSite.c_str() : "";
}

const std::set<const char*>* getGroupSet(const LogContainer* log)
{
    return log ? &log->GroupNames : nullptr;
}

bool isGroupName(const LogContainer* log, const char* text)
{
    return log && text && log->GroupNames.count(text) != 0;
}

const char* stripLocalSite(const LogContainer* log, const char* url)
{
    if (!log || !url)
        return nullptr;
    for (const std::string& prefix : log->LocalSitePrefixes)
        if (prefixCovers(prefix, url))
            return url[prefix.size()] ? url + prefix.size() : "/";
    return nullptr;
}

bool hostResolved(LogContainer* log, std::uint32_t networkAddress, const char* name)
{
    if (!log)
        return false;
    const std::uint32_t address = ntohl(networkAddress);
    auto& hosts = log->Host;
    auto it = std::lower_bound(hosts.begin(), hosts.end(), address,
                               [](const HostEntry& h, std::uint32_t a) { return h.address < a; });
    if (it == hosts.end() || it->address != address)
        return false;
    it->name = log->HostNamePool.intern(name ? name : "");
    return true;
}

} // namespace store
