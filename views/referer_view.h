#pragma once

// The referer view "WC_REFERERVIEW": a window of its own listing every full address (with
// its query) of one outside referer and how many visitors each brought. A double click, or
// "開く" in the popup menu, opens an address in the desktop's browser.

namespace views {

// Registers "WC_REFERERVIEW" (once, at start-up).
void registerRefererView();

} // namespace views
