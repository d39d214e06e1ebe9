#pragma once

// The shop's pages as static files in a folder (genlog --site FOLDER), for the page
// overlay's demo: every page the generated visitors view, under each spelling they use
// ("/about" and "/about/" both as about/index.html), with the links they follow; site.txt
// names the site's host.

#include <string>

namespace genlog {

bool writeDemoSite(const std::string& folder, std::string& error);

} // namespace genlog
