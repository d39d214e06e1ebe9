#include "views/links.h"

namespace views {
namespace {

class NoVisitedUrls final : public VisitedUrls
{
  public:
    bool visited(std::string_view) const override { return false; }
};

} // namespace

const VisitedUrls& noVisitedUrls()
{
    static const NoVisitedUrls none;
    return none;
}

bool isOpenableUrl(std::string_view url)
{
    std::string_view rest;
    if (url.starts_with("http://"))
        rest = url.substr(7);
    else if (url.starts_with("https://"))
        rest = url.substr(8);
    else
        return false;
    if (rest.empty() || rest.front() == '/')
        return false; // no host
    for (const char c : url) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F)
            return false;
    }
    return true;
}

} // namespace views
