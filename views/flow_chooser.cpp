#include "views/flow_chooser.h"

#include <algorithm>
#include <cstring>

namespace views {

std::vector<const char*> flowChooserEntries(const store::LogContainer& log, std::uint32_t stageBit)
{
    // Fragments first, names after: a name is looked at once, not once per page view.
    const store::Fragment* fragments = log.Frg2.data();
    std::vector<std::uint8_t> used(log.Frg2.size());
    bool any = false;
    for (const store::VisitorEntry& v : log.Visitors) {
        if (!(v.mask & stageBit) || !v.first)
            continue;
        any = true;
        for (std::uint32_t k = 0; k < v.count; ++k)
            used[static_cast<std::size_t>(v.first[k].fragment - fragments)] = 1;
    }
    std::vector<const char*> names;
    if (!any)
        return names;
    for (std::size_t i = 0; i < used.size(); ++i) {
        if (!used[i])
            continue;
        const store::Fragment& f = fragments[i];
        if (f.req && f.req->group)
            names.push_back(f.req->group);
        if (f.ref && f.ref->group)
            names.push_back(f.ref->group);
    }
    // Every text of the store lies in its dictionary in dictionary order.
    std::sort(names.begin(), names.end(), std::less<const char*>());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    names.insert(names.begin(), nullptr);
    return names;
}

int findChooserEntry(const std::vector<const char*>& entries, std::string_view text)
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i] && text == entries[i])
            return static_cast<int>(i);
    return -1;
}

const char* keptChoice(const std::vector<const char*>& entries, const char* previous)
{
    if (entries.empty())
        return nullptr;
    if (std::find(entries.begin(), entries.end(), previous) != entries.end())
        return previous;
    return entries.front();
}

PageKind pageKind(const char* name, const std::set<const char*>& groupNames)
{
    if (!name || (name[0] != '/' && name[0] != 'h'))
        return PageKind::Other;
    const bool group = groupNames.count(name) != 0;
    if (name[0] == '/')
        return group ? PageKind::PageGroup : PageKind::Page;
    return group ? PageKind::OutsideGroup : PageKind::Outside;
}

std::uint32_t pageColour(PageKind kind)
{
    switch (kind) {
    case PageKind::Page:
        return 0x004000;
    case PageKind::PageGroup:
        return 0x002060;
    case PageKind::Outside:
        return 0x800000;
    case PageKind::OutsideGroup:
        return 0x400040;
    case PageKind::Other:
        break;
    }
    return 0x000000;
}

const char* flowBoxClass(PageKind kind)
{
    switch (kind) {
    case PageKind::Page:
        return "WC_FLOWITEM00";
    case PageKind::PageGroup:
        return "WC_FLOWITEM01";
    case PageKind::Outside:
        return "WC_FLOWITEM10";
    case PageKind::OutsideGroup:
        return "WC_FLOWITEM11";
    case PageKind::Other:
        break;
    }
    return "WC_FLOWITEM20";
}

} // namespace views
