#include "views/links.h"

#include "platform/files.h"
#include "platform/settings.h"

#include <fstream>

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

VisitedList::VisitedList(std::string path) : m_path(std::move(path))
{
    std::ifstream in(m_path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            m_urls.insert(line);
    }
}

bool VisitedList::visited(std::string_view url) const
{
    return m_urls.count(std::string(url)) != 0;
}

void VisitedList::add(std::string_view url)
{
    if (url.empty() || !m_urls.insert(std::string(url)).second)
        return;
    if (url.find_first_of("\r\n") != std::string_view::npos || m_path.empty())
        return;
    platform::File file;
    if (file.open(m_path, platform::File::Mode::Append) != 0)
        return; // remembered for this run
    std::string line(url);
    line += "\n";
    (void)file.append(line.data(), line.size()); // the colour of a link, nothing more
}

VisitedList& visitedUrls()
{
    static VisitedList list(platform::dataFilePath("visited.txt"));
    return list;
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
