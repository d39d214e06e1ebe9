// The graph view below the main view and the referer view, offscreen: the graph's export is
// what vexilo-cli graph prints for the same chain, "Rank" follows the search-word pane, the
// state text sets the source and "%", and the referer panes open one referer view.

#include "filters/chain_windows.h"
#include "filters/filter_window.h"
#include "filters/kinds.h"
#include "filters/view_pane.h"
#include "hosts/host_windows.h"
#include "mainwin/main_window.h"
#include "platform/codepage.h"
#include "platform/settings.h"
#include "store/store_window.h"
#include "store/view_state.h"
#include "tests/store/hits.h"
#include "tests/views/view_window_env.h"
#include "toolkit/stat_list.h"
#include "toolkit/window.h"
#include "views/graph_model.h"
#include "views/graph_view.h"
#include "views/log_view.h"
#include "views/referer_rows.h"
#include "views/referer_view.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <filesystem>

namespace {

using namespace toolkit;
using namespace vxtest;

class GraphWindow : public ViewWindowTest
{
  protected:
    Window* graph() { return child(main(), IDW_VIEW_FIRST + 1); }
    Window* graphBar() { return child(graph(), 2004); }
    filters::ViewPane* graphPane() { return dynamic_cast<filters::ViewPane*>(graph()->handler()); }
    std::string graphExport() { return windowExport(graph(), filters::kCommandExport); }
    void click(int button)
    {
        // A check button changes its state, then its command reaches the pane.
        send(graphBar(), TB_CHECKBUTTON, static_cast<WParam>(button),
             send(graphBar(), TB_ISBUTTONCHECKED, static_cast<WParam>(button)) == 0);
        command(graph(), button);
        ASSERT_TRUE(settle());
    }
    std::vector<Window*> refererViews()
    {
        std::vector<Window*> views;
        for (QWidget* top : QApplication::allWidgets())
            if (auto* w = qobject_cast<Window*>(top);
                w && w->className() == views::kRefererViewClassName)
                views.push_back(w);
        return views;
    }
};

// The window's export equals vexilo-cli graph for the same chain; "Rank" is there only while
// a search-word pane is, even when it was checked before.
TEST_F(GraphWindow, ExportFollowsTheChainAndTheRankButton)
{
    openSample();
    ASSERT_TRUE(graph());
    EXPECT_EQ(graph()->className(), std::string(views::kGraphViewClassName));
    // The main window starts with two page panes on their top rows.
    const std::string twoPanes = graphExport();
    EXPECT_EQ(twoPanes, cli("graph", "--pane req --pane req"));
    // The export is CP932, as every export is.
    EXPECT_TRUE(QString::fromStdU16String(platform::cp932ToUtf16(twoPanes))
                    .startsWith(QStringLiteral("日付,1. 期間,2. 閲覧ページ,3. 閲覧ページ\r\n")));
    EXPECT_EQ(send(graphBar(), TB_ISBUTTONENABLED, views::kCommandRank), 0);

    command(main(), filters::kindInfo(filters::Kind::SearchWord).command);
    ASSERT_TRUE(settle());
    EXPECT_NE(send(graphBar(), TB_ISBUTTONENABLED, views::kCommandRank), 0);
    click(views::kCommandRank);
    click(views::kCommandPercent); // "%" changes the drawing only
    const std::string ranked = graphExport();
    EXPECT_NE(ranked.find(",Rank\r\n"), std::string::npos);
    EXPECT_EQ(ranked, cli("graph", "--pane req --pane req --pane searchword --rank --pct"));

    // The search-word pane closes: Rank is disabled and left out, though still checked.
    command(child(main(), 2102), filters::kCommandClose);
    ASSERT_TRUE(settle());
    EXPECT_EQ(send(graphBar(), TB_ISBUTTONENABLED, views::kCommandRank), 0);
    EXPECT_NE(send(graphBar(), TB_ISBUTTONCHECKED, views::kCommandRank), 0);
    EXPECT_EQ(graphExport(), twoPanes);
}

TEST_F(GraphWindow, StateTextSetsSourceAndPercent)
{
    openSample();
    struct Case
    {
        const char* text;
        int source;
        bool percent;
    };
    for (const Case& c : {Case{"%2", 1, true}, Case{"V3", 2, false}, Case{"1", 0, false}}) {
        store::ViewState in;
        in.flags = c.text;
        send(graph(), WM__SETVIEWSTATE, 0, reinterpret_cast<LParam>(&in));
        command(child(main(), IDW_VIEW_FIRST), ID_REFRESH, kRefreshAll);
        ASSERT_TRUE(settle());
        EXPECT_EQ(graphPane()->source(), c.source) << c.text;
        EXPECT_EQ(send(graphBar(), TB_ISBUTTONCHECKED, views::kCommandPercent) != 0, c.percent)
            << c.text;
        store::ViewState out;
        send(graph(), WM__GETVIEWSTATE, 0, reinterpret_cast<LParam>(&out));
        EXPECT_EQ(out.flags, std::string(c.percent ? "%" : "V") + std::to_string(c.source + 1))
            << c.text;
    }
}

// A double click on an outside referer in a referer pane opens the referer view (one for
// all), and a double click there opens the address.
TEST_F(GraphWindow, RefererPanesOpenOneRefererView)
{
    std::vector<Hit> hits;
    for (int i = 0; i < 6; ++i) {
        const std::string host = "198.51.100." + std::to_string(i + 1);
        hits.push_back(
            {host, 100 + i * 50, "/a", "http://ref" + std::to_string(i % 2) + ".example/"});
        hits.push_back({host, 110 + i * 50, "/b", kSite + "/a"});
    }
    for (const Hit& h : siteChain(kSite, "192.0.2.99", 5000)) // tells the site
        hits.push_back(h);
    const std::string path = file("small.vxlog");
    ASSERT_EQ(importHits(hits, path), 0u);
    open(path);
    command(main(), filters::kindInfo(filters::Kind::Ref).command);
    ASSERT_TRUE(settle());
    Window* pane = child(main(), 2102);
    ASSERT_TRUE(pane);
    auto* list = pane->findChild<StatList*>();
    ASSERT_TRUE(list);
    std::vector<int> outside;
    for (int row = 0; row < list->rowCount(); ++row)
        if (list->model()->index(row, 0).data().toString().startsWith(QStringLiteral("http://")))
            outside.push_back(row);
    ASSERT_EQ(outside.size(), 2u);
    for (const int row : outside) {
        const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at); // a double click's first press
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        ASSERT_TRUE(waitFor([this] { return refererViews().size() == 1; }));
        Window* view = refererViews()[0];
        EXPECT_EQ(view->windowTitle(), list->model()->index(row, 0).data().toString());
        auto* rows = view->findChild<StatList*>();
        ASSERT_TRUE(rows);
        ASSERT_EQ(rows->rowCount(), 1);
        EXPECT_EQ(rows->model()->index(0, views::kRefererVisitors).data().toString(),
                  QStringLiteral("3"));
    }
    auto* rows = refererViews()[0]->findChild<StatList*>();
    const QPoint first = rows->visualRect(rows->model()->index(0, 0)).center();
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, first);
    ASSERT_TRUE(waitFor([this] { return m_opened.size() == 1; }));
    EXPECT_EQ(QString::fromStdString(m_opened[0]), refererViews()[0]->windowTitle());
    // Escape closes the window, as it closes a dialog.
    QPointer<Window> view = refererViews()[0];
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view));
    QTest::keyClick(view->findChild<StatList*>(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return !view || !view->isVisible(); }));
}

} // namespace
