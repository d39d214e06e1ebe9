#pragma once

// The panes of the main window by class name, and the commands that make them. The filter
// kinds are the table of kinds.h (class, add command, title: kindOfCommand, kindOfClass),
// the period pane is kPeriodClassName (period_filter.h), the views are the table here. The
// main window's menus and the panes' title menus use them in both directions.

#include <array>
#include <string_view>

namespace filters {

struct ViewClass
{
    int command;
    const char* menuText; // UTF-8, with its "&" accelerator
    const char* className;
};

inline constexpr std::array<ViewClass, 5> kViewClasses{{
    {40035, "ログ(&L)", "WC_VIEW_LOG"},
    {40020, "ブラウザ(&B)", "WC_VIEW_BROWSER"},
    {40021, "フロー(&F)", "WC_VIEW_FLOW"},
    {40019, "グラフ(&G)", "WC_VIEW_GRAPH"},
    {40030, "レポート(&R)", "WC_VIEW_REPORT"},
}};

// The view a command makes, or whose class name is className; null for anything else.
constexpr const ViewClass* viewOfCommand(int command)
{
    for (const ViewClass& view : kViewClasses)
        if (view.command == command)
            return &view;
    return nullptr;
}

constexpr const ViewClass* viewOfClass(std::string_view className)
{
    for (const ViewClass& view : kViewClasses)
        if (className == view.className)
            return &view;
    return nullptr;
}

} // namespace filters
