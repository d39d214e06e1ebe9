#pragma once

// The template grammar of the report pages. A marked region is
//     <!--<KEY>--> content <!--</KEY>-->
// and generating a page replaces the content with the value of KEY while both markers
// stay, so a generated page is a template again.

#include <functional>
#include <string>
#include <string_view>

namespace report {

// The value of a key (compared byte for byte, case-sensitively).
using KeyValue = std::function<std::string(std::string_view key)>;

// The page with every marked region's content replaced, from the start up to the first
// opening marker that has no ">-->" or no closing marker; from there on the text is kept
// as it is.
std::string fillTemplate(std::string_view page, const KeyValue& valueOf);

} // namespace report
