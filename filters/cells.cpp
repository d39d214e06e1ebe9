#include "filters/cells.h"

#include <algorithm>
#include <cstdio>

namespace filters {
namespace {

void appendFormat(std::string& out, const char* format, double value)
{
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, value);
    if (n > 0)
        out.append(text, static_cast<std::size_t>(std::min<int>(n, sizeof text - 1)));
}

} // namespace

std::vector<Column> columnsOf(Kind kind)
{
    const KindInfo& k = kindInfo(kind);
    if (kind == Kind::SearchWord)
        return {{"Words", 400, false},
                {"Visitor", 45, true},
                {"Exit", 45, true},
                {"Rank", 40, true},
                {"Click", 35, true}};
    std::vector<Column> columns = {
        {k.firstColumn, 800, false}, {"Visitor", 45, true}, {"Exit", 40, true}};
    if (k.hitsColumn)
        columns.push_back({"Hits/v", 40, true});
    return columns;
}

std::vector<int> initialDisplayOrder(Kind kind)
{
    if (kind == Kind::SearchWord)
        return {1, 2, 3, 4, 0};
    if (kindInfo(kind).hitsColumn)
        return {1, 3, 2, 0};
    return {1, 2, 0};
}

void appendVisitors(std::string& out, std::uint32_t visitors, bool percent, std::uint32_t input)
{
    if (!percent || input == 0) {
        appendCount(out, visitors);
        return;
    }
    const float share = static_cast<float>(visitors) * 100.0f / static_cast<float>(input);
    appendFormat(out, "%1.1f%%", static_cast<double>(share));
}

void appendZeroOrTenths(std::string& out, float value)
{
    if (value == 0.0f)
        out += '0';
    else
        appendFormat(out, "%.1f", static_cast<double>(value));
}

void appendOneOrTenths(std::string& out, float value)
{
    if (value == 1.0f)
        out += '1';
    else
        appendFormat(out, "%.1f", static_cast<double>(value));
}

void appendCount(std::string& out, std::uint32_t value)
{
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%u", value);
    out.append(text, static_cast<std::size_t>(n));
}

std::uint32_t keyColour(Kind kind, const char* key, bool groupName, bool classified)
{
    switch (kind) {
    case Kind::Req:
    case Kind::ReqBegin:
    case Kind::ReqEnd:
    case Kind::Ref:
        if (!key)
            return kColourGrey;
        if (*key == '/')
            return groupName ? kColourLocalGroup : kColourLocalPath;
        if (*key == 'h')
            return groupName ? kColourExternalGroup : kColourExternal;
        return kColourBlack;
    case Kind::Browser:
    case Kind::Os:
        return classified ? kColourBlack : kColourGrey;
    case Kind::HostName:
    case Kind::TldJp:
    case Kind::Domain:
        return key ? kColourBlack : kColourGrey;
    default:
        return kColourBlack;
    }
}

} // namespace filters
