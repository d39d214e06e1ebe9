#pragma once

// The overlay's demo: a copy of a site's pages in a folder (genlog --site) served on the
// loopback under the site's own address, so that the embedded browser shows
// http://SITE/... from the folder without the internet. The folder's site.txt names the
// site's host. Only that host is redirected, only files inside the folder are served.

#include <QString>

namespace overlay {

// Starts serving the folder and sends the embedded browser's requests for the site there.
// Call after the application object exists and before the browser first starts
// (wbInitialize). The site's host, or empty (with nothing started) when the folder holds
// no site.txt or no port could be had.
QString startDemoSite(const QString& folder);

} // namespace overlay
