#pragma once

// The browser view "WC_VIEW_BROWSER" (title "ブラウザ"): the analysed site's live pages in the
// embedded browser with, next to every link, the share of the source stage's visitors that
// went from the page to the link's target (a bar and a number over the page, the counts in
// the link's tooltip). An address box lists the site's directory pages those visitors saw;
// the toolbar shows or hides the magnifier, goes back, forward, to the start page, and
// draws the overlay again.

namespace overlay {

inline constexpr const char* kOverlayViewClassName = "WC_VIEW_BROWSER";
inline constexpr int kBrowserId = 2000;
inline constexpr int kAddressBoxId = 2001;
inline constexpr int kLoupeId = 3001;
inline constexpr int kCommandGo = 1;        // go to the address box's text
inline constexpr int kCommandLoupe = 3001;  // a toggle: the magnifier shown
inline constexpr int kCommandHome = 3002;   // the start page
inline constexpr int kCommandRedraw = 3003; // draw the overlay again
inline constexpr int kCommandBack = 57681;
inline constexpr int kCommandForward = 57680;
// Where the overlay's pictures come from (glint serves res/www under it).
inline constexpr const char* kImageBase = "vexilo-res:";

// Registers "WC_VIEW_BROWSER" and the browser's window class (once, at start-up); the
// pictures of res/www are served to every page from then on.
void registerOverlayView();

} // namespace overlay
