#pragma once

// The flow view's page chooser and the look of page names: which names the drop-down list
// offers for a stage, which entry stays chosen after a refresh, and the colour and box
// class of a name (the chooser's entries, the rows and the boxes of the canvas).

#include "store/log_container.h"

#include <cstdint>
#include <set>
#include <string_view>
#include <vector>

namespace views {

// The chooser's text for the null entry (UTF-8, shown by the window; choosing it shows
// nothing).
inline constexpr const char* kChooserAllLabel = "すべて";

// The chooser's entries for the visitors whose mask has stageBit: the null entry first,
// then every distinct URL-group name that their page views have as page or as referer, in
// dictionary order (pointer order of the store's texts). Empty while no visitor has the
// bit.
std::vector<const char*> flowChooserEntries(const store::LogContainer& log, std::uint32_t stageBit);

// The entry whose text is text (CP932 bytes); -1 when none. The null entry has no text.
int findChooserEntry(const std::vector<const char*>& entries, std::string_view text);

// The choice after the chooser was rebuilt: the previous one while it is still offered,
// otherwise the first entry (null when there are none).
const char* keptChoice(const std::vector<const char*>& entries, const char* previous);

// What a name is: a page of the site ("/..."), an outside address ("h..."), each either a
// plain name or a URL-group name in use, or anything else (null, "EXIT", "RELOAD").
enum class PageKind {
    Page,
    PageGroup,
    Outside,
    OutsideGroup,
    Other,
};

PageKind pageKind(const char* name, const std::set<const char*>& groupNames);

// The text colour of a name in the chooser and in the boxes' rows, 0x00BBGGRR.
std::uint32_t pageColour(PageKind kind);

// The window class of the box that shows a node with this key: "WC_FLOWITEM00", ...
const char* flowBoxClass(PageKind kind);

} // namespace views
