#include "report/page_template.h"

namespace report {
namespace {

constexpr std::string_view kOpen = "<!--<";
constexpr std::string_view kClose = "<!--</";
constexpr std::string_view kEnd = ">-->";

} // namespace

std::string fillTemplate(std::string_view page, const KeyValue& valueOf)
{
    std::string out;
    out.reserve(page.size());
    std::string closing;
    std::size_t pos = 0;
    while (true) {
        const std::size_t open = page.find(kOpen, pos);
        if (open == std::string_view::npos)
            break;
        const std::size_t keyStart = open + kOpen.size();
        const std::size_t keyEnd = page.find(kEnd, keyStart);
        if (keyEnd == std::string_view::npos)
            break;
        const std::string_view key = page.substr(keyStart, keyEnd - keyStart);
        const std::size_t contentStart = keyEnd + kEnd.size();
        closing.assign(kClose).append(key).append(kEnd);
        const std::size_t contentEnd = page.find(closing, contentStart);
        if (contentEnd == std::string_view::npos)
            break;
        out.append(page.substr(pos, contentStart - pos));
        out += valueOf(key);
        out += closing;
        pos = contentEnd + closing.size();
    }
    out.append(page.substr(pos));
    return out;
}

} // namespace report
