#include "mainwin/remembered.h"

#include "filters/kinds.h"
#include "filters/pane_classes.h"
#include "platform/settings.h"
#include "platform/trace.h"

#include <cstdlib>

namespace mainwin {
namespace {

constexpr int kMostFilterPanes = 6;

int number(const char* name, int low, int high)
{
    const std::string text = platform::readUserValue(name);
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && !*end && value >= low && value <= high ? static_cast<int>(value) : 0;
}

void write(const char* name, const std::string& value)
{
    // A setting that cannot be kept is not worth a word to the user.
    if (const int rc = platform::writeUserValue(name, value))
        platform::trace("setting %s not written err=%d", name, rc);
}

} // namespace

Remembered readRemembered()
{
    Remembered r;
    r.geometry = QByteArray::fromBase64(
        QByteArray::fromStdString(platform::readUserValue("WindowGeometry")));
    r.filterColumnWidth = number("FilterColumnWidth", 120, 4000);
    r.graphHeight = number("GraphHeight", 60, 4000);
    const std::string view = platform::readUserValue("MainView");
    if (filters::viewOfClass(view))
        r.mainView = view;
    const std::string chain = platform::readUserValue("Chain");
    for (std::size_t at = 0; at < chain.size() && r.chain.size() < kMostFilterPanes;) {
        const std::size_t comma = std::min(chain.find(',', at), chain.size());
        const std::string name = chain.substr(at, comma - at);
        if (filters::kindOfClass(name))
            r.chain.push_back(name);
        at = comma + 1;
    }
    return r;
}

void writeRemembered(const Remembered& r)
{
    write("WindowGeometry", r.geometry.toBase64().toStdString());
    write("FilterColumnWidth", r.filterColumnWidth > 0 ? std::to_string(r.filterColumnWidth) : "");
    write("GraphHeight", r.graphHeight > 0 ? std::to_string(r.graphHeight) : "");
    write("MainView", r.mainView);
    std::string chain;
    for (const std::string& name : r.chain)
        chain += (chain.empty() ? "" : ",") + name;
    write("Chain", chain);
}

} // namespace mainwin
