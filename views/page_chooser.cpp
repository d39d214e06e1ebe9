#include "views/page_chooser.h"

#include <algorithm>

namespace views {

std::vector<const char*> chooserTexts(const store::LogContainer& log, std::uint32_t stageBit,
                                      bool pages, bool referers)
{
    const store::Fragment* fragments = log.Frg2.data();
    std::vector<std::uint8_t> used(log.Frg2.size(), 0);
    for (const store::VisitorEntry& v : log.Visitors) {
        if (!(v.mask & stageBit) || !v.first)
            continue;
        for (std::uint32_t i = 0; i < v.count; ++i) {
            const auto f = static_cast<std::size_t>(v.first[i].fragment - fragments);
            if (f < used.size())
                used[f] = 1;
        }
    }
    return chooserTextsOf(log, used, pages, referers);
}

std::vector<const char*> chooserTextsOf(const store::LogContainer& log,
                                        std::span<const std::uint8_t> used, bool pages,
                                        bool referers)
{
    // Many fragments share a page or a referer: each entry is looked at once.
    std::vector<std::uint8_t> reqUsed(pages ? log.Req.size() : 0, 0);
    std::vector<std::uint8_t> refUsed(referers ? log.Ref.size() : 0, 0);
    std::vector<const char*> texts;
    const auto mark = [&texts](auto* entry, const auto& table, std::vector<std::uint8_t>& marks) {
        if (!entry || !entry->group)
            return;
        const auto i = static_cast<std::size_t>(entry - table.data());
        if (i >= marks.size())
            texts.push_back(entry->group); // not of the table: kept as it is
        else if (!marks[i]) {
            marks[i] = 1;
            texts.push_back(entry->group);
        }
    };
    for (std::size_t i = 0; i < used.size() && i < log.Frg2.size(); ++i) {
        if (!used[i])
            continue;
        const store::Fragment& f = log.Frg2[i];
        if (pages)
            mark(f.req, log.Req, reqUsed);
        if (referers)
            mark(f.ref, log.Ref, refUsed);
    }
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    return texts;
}

EntryKind entryKindOf(const char* text, bool groupName)
{
    if (!text)
        return EntryKind::All;
    if (text[0] == '/')
        return groupName ? EntryKind::PageGroup : EntryKind::Page;
    if (text[0] == 'h')
        return groupName ? EntryKind::OutsideGroup : EntryKind::Outside;
    return EntryKind::Other;
}

std::uint32_t entryColour(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Page:
        return 0x004000;
    case EntryKind::PageGroup:
        return 0x002060;
    case EntryKind::Outside:
        return 0x800000;
    case EntryKind::OutsideGroup:
        return 0x400040;
    default:
        return 0x000000;
    }
}

void PageChooser::rebuild(std::vector<const char*> texts)
{
    const char* kept = chosenEntry();
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    if (!texts.empty() && !texts.front())
        texts.erase(texts.begin());
    m_entries.clear();
    m_entries.reserve(texts.size() + 1);
    m_entries.push_back(nullptr);
    m_entries.insert(m_entries.end(), texts.begin(), texts.end());
    m_chosen = std::max(0, indexOf(kept));
}

void PageChooser::clear()
{
    m_entries.clear();
    m_chosen = -1;
}

const char* PageChooser::chosenEntry() const
{
    return m_chosen > 0 ? m_entries[static_cast<std::size_t>(m_chosen)] : nullptr;
}

bool PageChooser::choose(std::size_t i)
{
    if (i >= m_entries.size())
        return false;
    m_chosen = static_cast<int>(i);
    return true;
}

int PageChooser::indexOf(const char* text) const
{
    if (m_entries.empty())
        return -1;
    if (!text)
        return 0;
    const auto it = std::lower_bound(m_entries.begin() + 1, m_entries.end(), text);
    return it != m_entries.end() && *it == text ? static_cast<int>(it - m_entries.begin()) : -1;
}

int PageChooser::findText(std::string_view text) const
{
    for (std::size_t i = 1; i < m_entries.size(); ++i)
        if (text == m_entries[i])
            return static_cast<int>(i);
    return -1;
}

} // namespace views
