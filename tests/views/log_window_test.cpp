// The log view as the main window's view, offscreen: its rows follow the chain and the page
// chooser, hosts show their names as they are found, a double click opens outside referers
// only, and its export is what vexilo-cli log --csv prints.

#include "filters/chain_windows.h"
#include "filters/filter_window.h"
#include "filters/kinds.h"
#include "filters/view_pane.h"
#include "hosts/host_windows.h"
#include "mainwin/main_window.h"
#include "platform/name_service.h"
#include "platform/settings.h"
#include "store/store_window.h"
#include "tests/hosts/fake_name_service.h"
#include "tests/store/hits.h"
#include "tests/views/view_window_env.h"
#include "toolkit/stat_list.h"
#include "toolkit/window.h"
#include "views/chooser_control.h"
#include "views/links.h"
#include "views/log_rows.h"
#include "views/log_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <algorithm>
#include <arpa/inet.h>
#include <filesystem>

namespace {

using namespace toolkit;
using namespace vxtest;

class LogWindow : public ViewWindowTest
{
  protected:
    void registerClasses() override
    {
        store::registerStoreWindow();
        hosts::registerHostWindows();
        mainwin::registerMainWindow();
        filters::registerFilterWindows();
        views::registerLogView();
    }

    Window* view() { return mainView(); }
    StatList* list() { return view()->findChild<StatList*>(); }
    QString cell(int row, int column)
    {
        return list()->model()->index(row, column).data().toString();
    }
    std::vector<QString> column(int c)
    {
        std::vector<QString> cells;
        for (int r = 0; r < list()->rowCount(); ++r)
            cells.push_back(cell(r, c));
        return cells;
    }
    filters::ViewPane* pane() { return dynamic_cast<filters::ViewPane*>(view()->handler()); }
    // Steps the source button as the user does until the view shows that stage.
    void showStage(int source)
    {
        for (int click = 0; click < 4 && pane()->source() != source; ++click)
            command(view(), filters::kSourceButton);
        ASSERT_TRUE(settle());
        ASSERT_EQ(pane()->source(), source);
    }
    // Chooses the chooser's entry with this text as the user does.
    void choose(const std::string& text)
    {
        views::LogRows probe;
        probe.refresh(*filters::logOf(main()), pane()->sourceBit());
        const int entry = text == views::kAllEntryText ? 0 : probe.chooser().findText(text);
        ASSERT_GE(entry, 0) << text;
        Window* combo = nullptr;
        for (Window* w : view()->findChildren<Window*>())
            if (w->id() == views::kChooserId)
                combo = w;
        ASSERT_TRUE(combo);
        send(combo, CB_SETCURSEL, static_cast<WParam>(entry));
        send(view(), WM_COMMAND, makeWParam(views::kChooserId, CBN_SELCHANGE),
             reinterpret_cast<LParam>(combo));
        ASSERT_TRUE(settle());
    }
    // Each host makes three requests: /a from an outside referer, /b and /c from the site.
    std::string smallLog()
    {
        std::vector<Hit> hits;
        for (int i = 0; i < 6; ++i) {
            const std::string host = "198.51.100." + std::to_string(i + 1);
            hits.push_back(
                {host, 100 + i * 50, "/a", "http://ref" + std::to_string(i % 2) + ".example/"});
            hits.push_back({host, 110 + i * 50, "/b", kSite + "/a"});
            hits.push_back({host, 120 + i * 50, "/c", kSite + "/b"});
        }
        // The site is told by a visitor who clicks through it (three requests, last).
        for (const Hit& h : siteChain(kSite, "192.0.2.99", 5000))
            hits.push_back(h);
        const std::string path = file("small.vxlog");
        EXPECT_EQ(importHits(hits, path), 0u);
        return path;
    }
};

TEST_F(LogWindow, RowsFollowTheChooserTheSortAndTheHostNames)
{
    open(smallLog());
    ASSERT_TRUE(view());
    EXPECT_EQ(view()->className(), std::string("WC_VIEW_LOG"));
    // The view's source is the period: every request, oldest first, hosts not looked up yet.
    ASSERT_EQ(list()->rowCount(), 21);
    EXPECT_EQ(cell(0, views::kLogHost), QStringLiteral("#198.51.100.1"));
    EXPECT_EQ(cell(0, views::kLogRequest), QStringLiteral("/a"));
    EXPECT_EQ(cell(20, views::kLogHost), QStringLiteral("#192.0.2.99"));

    // Narrowed by the chooser to a page, then to a referer, then back to everything.
    struct Case
    {
        std::string entry;
        int rows;
        QString request;
    };
    for (const Case& c : {Case{"/b", 7, "/b"}, Case{"http://ref1.example/", 3, "/a"},
                          Case{views::kAllEntryText, 21, "/a"}}) {
        choose(c.entry);
        EXPECT_EQ(list()->rowCount(), c.rows) << c.entry;
        EXPECT_EQ(cell(0, views::kLogRequest), c.request) << c.entry;
    }

    // A click on Time sorts newest first; the selected record stays selected.
    list()->setSelectedRows({1});
    ASSERT_TRUE(settle());
    const QString selectedTime = cell(1, views::kLogTime);
    list()->clickColumn(views::kLogTime);
    ASSERT_TRUE(settle());
    const auto times = column(views::kLogTime);
    EXPECT_TRUE(std::is_sorted(times.rbegin(), times.rend()));
    EXPECT_EQ(list()->horizontalHeader()->sortIndicatorSection(), views::kLogTime); // the arrow
    EXPECT_EQ(list()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    ASSERT_EQ(list()->selectedRows().size(), 1u);
    EXPECT_EQ(cell(list()->selectedRows()[0], views::kLogTime), selectedTime);

    // A host's name shows in its rows once found; one without a name shows its address.
    m_names->setName(htonl(0xC6336401u), "Host.Example.JP"); // 198.51.100.1
    ASSERT_TRUE(waitFor([this] { return m_names->pending() >= 7; }));
    m_names->answer(7);
    ASSERT_TRUE(waitFor([this] {
        const auto shown = column(views::kLogHost);
        return std::count(shown.begin(), shown.end(), QStringLiteral("jp.example.host")) == 3;
    }));
    const auto hosts = column(views::kLogHost);
    EXPECT_EQ(std::count(hosts.begin(), hosts.end(), QStringLiteral("jp.example.host")), 3);
    EXPECT_EQ(std::count(hosts.begin(), hosts.end(), QStringLiteral("198.51.100.2")), 3);
    EXPECT_EQ(std::count_if(hosts.begin(), hosts.end(),
                            [](const QString& h) { return h.startsWith('#'); }),
              0);
}

TEST_F(LogWindow, ADoubleClickOpensOnlyOutsideReferers)
{
    open(smallLog());
    ASSERT_EQ(list()->rowCount(), 21);
    // Row 0 came from ref0.example (outside), row 1 from the site's own /a.
    for (const int row : {1, 0}) {
        const QRect place = list()->visualRect(list()->model()->index(row, views::kLogReferer));
        // A double click follows a click on the same row, as a person's does.
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, place.center());
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, place.center());
        ASSERT_TRUE(settle());
    }
    EXPECT_EQ(m_opened, (std::vector<std::string>{"http://ref0.example/"}));
    EXPECT_TRUE(views::visitedUrls().visited("http://ref0.example/"));

    // Without a browser the user is told, not only the error output.
    views::setAddressOpener([](const std::string&) { return false; });
    BoxSeen box;
    ModalDriver driver({acceptBox(box)});
    const QRect place = list()->visualRect(list()->model()->index(0, views::kLogReferer));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, place.center());
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, place.center());
    ASSERT_TRUE(waitFor([&] { return driver.finished(); }));
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("アドレスを開けませんでした。")));
    EXPECT_TRUE(box.text.endsWith(QStringLiteral("http://ref0.example/")));
}

TEST_F(LogWindow, AWindowWithoutALogShowsHowToBegin)
{
    const auto status = [this] {
        const auto* text = reinterpret_cast<const QString*>(send(mainView(), UM_GETSTATUSTEXT));
        return text ? *text : QString();
    };
    QWidget* start = mainView()->findChild<QWidget*>(QStringLiteral("startPanel"));
    ASSERT_TRUE(start);
    EXPECT_TRUE(start->isVisible());
    EXPECT_EQ(status(), QString());
    open(smallLog());
    EXPECT_FALSE(start->isVisible());
    EXPECT_EQ(status(), QStringLiteral("21 件のリクエスト"));
    // A stage nobody passes still says how many requests it shows.
    command(child(main(), IDW_FILTER_FIRST), ID_EDIT_CLEAR);
    ASSERT_TRUE(settle());
    showStage(1);
    EXPECT_EQ(status(), QStringLiteral("0 件のリクエスト"));
    command(main(), mainwin::kCmdClose);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(start->isVisible());
}

// The window's export and vexilo-cli log --csv write the same bytes, for the whole stage and
// for one chooser entry, with a filter pane narrowing the source.
TEST_F(LogWindow, TheCommandLinePrintsWhatTheWindowExports)
{
    openSample();
    struct Case
    {
        int source;
        std::string page; // "" for everything
    };
    for (const Case& c : {Case{2, ""}, Case{0, "/shop/kitchen/"}}) {
        showStage(c.source);
        if (!c.page.empty())
            choose(c.page);
        const std::string window = windowExport(view(), filters::kCommandExport);
        std::string options =
            "--pane req --pane req --source " + std::to_string(c.source) + " --csv";
        if (!c.page.empty())
            options += " --page '" + c.page + "'";
        const std::string printed = cli("log", options);
        EXPECT_GT(printed.size(), 1000u);
        EXPECT_TRUE(printed == window) << "source " << c.source << " " << c.page;
    }
}

} // namespace
