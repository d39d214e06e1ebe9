#pragma once

// The commands that add a filter pane or change the main view, with their menu texts and
// the pane classes they make. The main window's menus and the panes' own menus use the
// same table in both directions (command -> class, class -> command).

#include <array>
#include <string_view>

namespace toolkit {

struct PaneCommand
{
    int command;
    const char* menuText; // UTF-8, with its "&" accelerator where it has one
    const char* className;
};

inline constexpr std::array<PaneCommand, 13> kFilterCommands{{
    {40016, "閲覧ページ", "WC_FILTER_REQ"},
    {40028, "閲覧開始ページ", "WC_FILTER_REQBEGIN"},
    {40029, "閲覧終了ページ", "WC_FILTER_REQEND"},
    {40039, "Query", "WC_FILTER_QUERY"},
    {40015, "参照元", "WC_FILTER_REF"},
    {40024, "検索エンジン名", "WC_FILTER_SEARCHNAME"},
    {40017, "検索ワード", "WC_FILTER_SEARCHWORD"},
    {40025, "UserAgent", "WC_FILTER_AGENT"},
    {40018, "訪問ブラウザ", "WC_FILTER_BROWSER"},
    {40026, "訪問OS", "WC_FILTER_OS"},
    {40027, "ホスト名", "WC_FILTER_HOSTNAME"},
    {40040, "TLD + jp", "WC_FILTER_TLDJP"},
    {40041, "ドメイン名", "WC_FILTER_DOMAIN"},
}};

inline constexpr std::array<PaneCommand, 5> kViewCommands{{
    {40035, "ログ(&L)", "WC_VIEW_LOG"},
    {40020, "ブラウザ(&B)", "WC_VIEW_BROWSER"},
    {40021, "フロー(&F)", "WC_VIEW_FLOW"},
    {40019, "グラフ(&G)", "WC_VIEW_GRAPH"},
    {40030, "レポート(&R)", "WC_VIEW_REPORT"},
}};

inline constexpr char kPeriodClass[] = "WC_FILTER_TIMERANGE";

// The entry of a command or a class name in one of the tables; null when it is not there.
template <std::size_t N>
constexpr const PaneCommand* findCommand(const std::array<PaneCommand, N>& table, int command)
{
    for (const PaneCommand& entry : table)
        if (entry.command == command)
            return &entry;
    return nullptr;
}

template <std::size_t N>
constexpr const PaneCommand* findClass(const std::array<PaneCommand, N>& table,
                                       std::string_view className)
{
    for (const PaneCommand& entry : table)
        if (className == entry.className)
            return &entry;
    return nullptr;
}

} // namespace toolkit
