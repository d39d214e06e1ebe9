#pragma once

// The page chooser of the log view and the flow view: a drop-down list whose first entry is
// null ("すべて", everything) followed by URL-group names (pages and, in the log view,
// referers) met among the visitors of the view's source stage. Entries are texts of the
// store, compared by pointer; the window draws entry i from entry(i) and kindOf().
//
//     chooser.rebuild(chooserTexts(log, stageBit, true, true)); // keeps the choice if offered
//     combo.setCount(chooser.size()); combo.setCurrent(chooser.chosen());

#include "store/log_container.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace views {

// The text shown for the null entry (UTF-8).
inline constexpr char kAllEntryText[] = "すべて";

// The distinct non-null URL-group names of every record of the visitors whose mask has
// stageBit: their pages' (`Req` group) when pages, their referers' (`Ref` group) when
// referers. In pointer order, which is the dictionary's order (case-insensitive first).
std::vector<const char*> chooserTexts(const store::LogContainer& log, std::uint32_t stageBit,
                                      bool pages, bool referers);
// The same for the fragments marked (non-zero) in used, which runs parallel to `Frg2`: for a
// view that goes over the records anyway and marks their fragments on the way.
std::vector<const char*> chooserTextsOf(const store::LogContainer& log,
                                        std::span<const std::uint8_t> used, bool pages,
                                        bool referers);

// How an entry is drawn: its icon and colour.
enum class EntryKind : std::uint8_t {
    All,          // the null entry
    Page,         // begins with "/": a page of the site
    PageGroup,    // ... that is a URL-group name in use
    Outside,      // begins with "h": an outside address
    OutsideGroup, // ... that is a URL-group name in use
    Other,
};

// groupName: whether the store holds text among its URL-group names (UM_ISGROUPNAME).
EntryKind entryKindOf(const char* text, bool groupName);
// Text colour of an entry, 0x00BBGGRR.
std::uint32_t entryColour(EntryKind kind);

class PageChooser
{
  public:
    // New entries: null first, then texts without nulls and duplicates, in pointer order.
    // The entry chosen before stays chosen when it is still offered; otherwise the first
    // entry (everything) is chosen.
    void rebuild(std::vector<const char*> texts);
    // No entries at all (the log closed).
    void clear();

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    // Entry i; null for entry 0 and for an index past the end.
    const char* entry(std::size_t i) const { return i < m_entries.size() ? m_entries[i] : nullptr; }
    // The chosen index, -1 while there are no entries.
    int chosen() const { return m_chosen; }
    // The chosen text; null for everything or no entries.
    const char* chosenEntry() const;

    // The user's choice; false (nothing changes) for an index past the end.
    bool choose(std::size_t i);
    // The index of a text (by pointer; null is entry 0), or -1.
    int indexOf(const char* text) const;
    // The index of the entry with these bytes (CP932), or -1; the null entry has no text.
    int findText(std::string_view text) const;

  private:
    std::vector<const char*> m_entries;
    int m_chosen = -1;
};

} // namespace views
