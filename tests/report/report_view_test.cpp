// The report view in the main window over the bundled sample (offscreen QtWebEngine): its
// links rebuild the chain as vexilo-cli --link does, the period, graph and panes follow the
// call, the referer link opens the referer view, a new load reloads the page, and the
// history buttons work. And the reading of the links themselves.

#include "browser/glint.h"
#include "filters/chain_windows.h"
#include "filters/kinds.h"
#include "filters/view_pane.h"
#include "report/open_view.h"
#include "report/report_generator.h"
#include "report/report_view.h"
#include "store/view_state.h"
#include "tests/views/view_window_env.h"
#include "toolkit/window.h"
#include "views/graph_model.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using namespace toolkit;
using namespace vxtest;
using report::JsValue;

std::string describe(const std::vector<JsValue>& args)
{
    std::string out;
    for (const JsValue& v : args)
        out += v.type == JsValue::Type::Null  ? "null,"
               : v.type == JsValue::Type::Int ? std::to_string(v.number) + ","
                                              : "'" + v.text + "',";
    return out;
}

TEST(ReportViewLinks, ArgumentsOfTheReportsLinks)
{
    const struct
    {
        const char* href;
        const char* args; // nullptr: not a link
    } cases[] = {
        {"javascript:openView('referer',0x1A);", "'referer',26,"},
        {"javascript:openView('',0,-1,'V2','REF','*r',0x10,null,'REQ','*r',0,null);",
         "'',0,-1,'V2','REF','*r',16,null,'REQ','*r',0,null,"},
        {"openView('it\\'s', 0XfF , null)", "'it's',255,null,"},
        {"javascript:openView();", ""},
        {"javascript:openView('a',1", nullptr},
        {"javascript:openView('a',1);alert(1)", nullptr},
        {"javascript:openView(0x100000000)", nullptr},
        {"javascript:openView(window.name)", nullptr},
        {"javascript:openView('unterminated)", nullptr},
    };
    for (const auto& c : cases) {
        const auto args = report::linkArguments(c.href);
        EXPECT_EQ(args ? describe(*args) : std::string("not a link"),
                  c.args ? c.args : "not a link")
            << c.href;
    }
}

TEST(ReportViewLinks, WhatACallDoes)
{
    using Action = report::OpenView::Action;
    const auto call = [](const char* href) {
        return report::parseOpenView(report::linkArguments(href).value());
    };
    EXPECT_EQ(call("openView('referer',0x1A)").action, Action::Referer);
    EXPECT_EQ(call("openView('referer',0x1A)").referer, 0x1Au);
    EXPECT_EQ(call("openView('referer','x')").action, Action::Ignore);

    const report::OpenView keyPage =
        call("openView('',0,0,'%2','REQ','*r',0x20,'/a',null,'REQ','-R',1,null)");
    ASSERT_EQ(keyPage.action, Action::Chain);
    EXPECT_TRUE(keyPage.keepsPeriod());
    EXPECT_EQ(keyPage.graph, "%2");
    ASSERT_EQ(keyPage.groups.size(), 2u);
    EXPECT_EQ(keyPage.classNames(), (std::vector<std::string>{"WC_FILTER_REQ", "WC_FILTER_REQ"}));
    EXPECT_EQ(keyPage.groups[0].numbers, (std::vector<std::uint32_t>{0x20}));
    EXPECT_EQ(keyPage.groups[0].texts, (std::vector<std::string>{"/a"}));
    EXPECT_EQ(keyPage.groups[1].flags, "-R");

    const report::OpenView whole = call("openView('',0,-1,'V2','REF','*r',null)");
    EXPECT_EQ(whole.to, 0xFFFFFFFFu);
    EXPECT_FALSE(whole.keepsPeriod());

    // A group without its null ends the groups; the ones before it stand.
    EXPECT_EQ(call("openView('',0,0,'V2','REQ','*r',0,null,'REF','*r',0)").groups.size(), 1u);
    // Calls the view ignores: no period, an unknown kind, more groups than panes.
    for (const char* ignored :
         {"openView('',0,'x','V2')", "openView(1,0,0,'V2')",
          "openView('',0,0,'V2','NOSUCH','*r',null)",
          "openView('',0,0,'V2','REQ','*r',null,'REQ','*r',null,'REQ','*r',null,'REQ','*r',null,"
          "'REQ','*r',null,'REQ','*r',null,'REQ','*r',null)"})
        EXPECT_EQ(call(ignored).action, Action::Ignore) << ignored;
}

class ReportView : public ViewWindowTest
{
  protected:
    void registerClasses() override
    {
        ViewWindowTest::registerClasses();
        report::registerReportView();
        report::installReportGenerator();
    }
    void SetUp() override
    {
        report::setFolderOpener([this](const std::string& folder) {
            m_folders.push_back(folder);
            return true;
        });
        ViewWindowTest::SetUp();
    }
    void TearDown() override
    {
        ViewWindowTest::TearDown();
        report::setFolderOpener(nullptr);
    }

    Window* host() { return child(mainView(), report::kBrowserId); }
    glint::Browser* browser() { return glint::browserOf(host()); }
    QVariant evaluate(const QString& script)
    {
        bool done = false;
        QVariant value;
        browser()->runProgramScript(script, [&](const QVariant& v) {
            value = v;
            done = true;
        });
        EXPECT_TRUE(waitFor([&] { return done; }));
        return value;
    }
    // The sample open and its report shown.
    void openSampleReport()
    {
        openSample();
        ASSERT_TRUE(waitFor([this] {
            return evaluate(QStringLiteral("document.readyState === 'complete' && "
                                           "document.querySelector('tbody tr') !== null"))
                .toBool();
        }));
    }
    // The links of the report as the last load wrote it, in page order.
    std::vector<std::string> reportLinks()
    {
        const auto* folder = reinterpret_cast<const char*>(send(main(), UM_GETPATH, 0, 1));
        const QString html = QString::fromLatin1(readFile(std::string(folder) + "/index.html"));
        std::vector<std::string> links;
        static const QRegularExpression href(
            QStringLiteral("href=\"(javascript:openView\\([^\"]*)\""));
        for (auto it = href.globalMatch(html); it.hasNext();)
            links.push_back(it.next().captured(1).toStdString());
        return links;
    }
    // Clicks the link of the page whose href is `link`, as the user does.
    void click(const std::string& link)
    {
        evaluate(QStringLiteral(
                     "Array.from(document.links).find(a => a.getAttribute('href') === %1).click()")
                     .arg(QString::fromStdString("\"" + link + "\"")));
    }
    std::vector<std::string> paneClasses()
    {
        std::vector<std::string> names;
        for (Window* pane : filters::filterPanes(main()))
            names.push_back(pane->className());
        return names;
    }
    Window* graph() { return child(main(), IDW_VIEW_FIRST + 1); }
    filters::ViewPane* graphPane() { return dynamic_cast<filters::ViewPane*>(graph()->handler()); }
    void call(const std::vector<QVariant>& args)
    {
        QVariantList reversed(args.rbegin(), args.rend());
        send(mainView(), WBM_COMMAND, 0, reinterpret_cast<LParam>(&reversed));
        ASSERT_TRUE(settle());
    }
    std::vector<std::uint32_t> period()
    {
        store::ViewState state;
        send(child(main(), IDW_PERIOD), WM__GETVIEWSTATE, 0, reinterpret_cast<LParam>(&state));
        return state.numbers;
    }

    std::vector<std::string> m_folders;
};

// The key page's OPEN, clicked in the report, builds the chain and the graph that
// vexilo-cli builds from the same link: the panes and the graph export the same bytes.
TEST_F(ReportView, AClickedLinkBuildsWhatTheCommandLineBuilds)
{
    openSampleReport();
    std::string keyPage;
    for (const std::string& link : reportLinks())
        if (link.rfind("javascript:openView('',0,0,", 0) == 0 && keyPage.empty())
            keyPage = link;
    ASSERT_FALSE(keyPage.empty());
    click(keyPage);
    ASSERT_TRUE(waitFor([this] { return paneClasses().size() == 4; }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(paneClasses(), std::vector<std::string>(4, "WC_FILTER_REQ"));
    EXPECT_EQ(graphPane()->source(), 1);

    std::string windows;
    for (int p = 0; p < 4; ++p)
        windows += windowExport(child(main(), IDW_FILTER_FIRST + p), filters::kCommandExport);
    std::string cli;
    const std::string all = this->cli("filter", "--link \"" + keyPage + "\"");
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = std::min(all.find('\n', at), all.size() - 1) + 1;
        if (all[at] != '#')
            cli += all.substr(at, end - at);
        at = end;
    }
    EXPECT_GT(windows.size(), 200u);
    EXPECT_TRUE(cli == windows) << "the command and the window differ";
    EXPECT_EQ(windowExport(graph(), filters::kCommandExport),
              this->cli("graph", "--link \"" + keyPage + "\""));
}

// Three groups on a chain of five leave three panes of the kinds asked for; 0, 0 keeps
// the period and 0, -1 selects the whole log; the graph takes the state text.
TEST_F(ReportView, ACallRebuildsTheChainThePeriodAndTheGraph)
{
    openSampleReport();
    const std::vector<std::string> five{"WC_FILTER_REQ", "WC_FILTER_REF", "WC_FILTER_AGENT",
                                        "WC_FILTER_OS", "WC_FILTER_BROWSER"};
    command(main(), ID_REBUILD_CHAIN, reinterpret_cast<LParam>(&five));
    ASSERT_TRUE(settle());
    ASSERT_EQ(paneClasses().size(), 5u);
    const std::vector<std::uint32_t> lastMonth = period();

    const QVariant null;
    call({QStringLiteral(""), 0, 0, QStringLiteral("V3"), QStringLiteral("REF"),
          QStringLiteral("*r"), 0, null, QStringLiteral("SEARCHWORD"), QStringLiteral("*r"), null,
          QStringLiteral("REQ"), QStringLiteral("-R"), 1, null});
    EXPECT_EQ(paneClasses(),
              (std::vector<std::string>{"WC_FILTER_REF", "WC_FILTER_SEARCHWORD", "WC_FILTER_REQ"}));
    EXPECT_EQ(period(), lastMonth);
    EXPECT_EQ(graphPane()->source(), 2);
    EXPECT_NE(send(child(main(), IDW_FILTER_FIRST + 2), UM_ISBYPASSED), 0);

    call({QStringLiteral(""), 0, -1, QStringLiteral("%1"), QStringLiteral("REQ"),
          QStringLiteral("*r"), 0, null});
    EXPECT_EQ(paneClasses(), std::vector<std::string>{"WC_FILTER_REQ"});
    EXPECT_NE(period(), lastMonth);
    EXPECT_EQ(graphPane()->source(), 0);
    EXPECT_NE(send(child(graph(), 2004), TB_ISBUTTONCHECKED, views::kCommandPercent), 0);

    // A call the view does not understand changes nothing.
    call({QStringLiteral(""), QStringLiteral("x"), 0, QStringLiteral("V2")});
    call({QStringLiteral(""), 0, 0, QStringLiteral("V2"), QStringLiteral("NOSUCH"),
          QStringLiteral("*r"), null});
    EXPECT_EQ(paneClasses(), std::vector<std::string>{"WC_FILTER_REQ"});
}

// The referer name in the news table opens the referer view and leaves the chain alone.
TEST_F(ReportView, TheRefererLinkOpensTheRefererView)
{
    openSampleReport();
    const std::vector<std::string> before = paneClasses();
    std::string refererLink;
    for (const std::string& link : reportLinks())
        if (link.rfind("javascript:openView('referer',", 0) == 0 && refererLink.empty())
            refererLink = link;
    ASSERT_FALSE(refererLink.empty());
    click(refererLink);
    Window* view = nullptr;
    ASSERT_TRUE(waitFor([&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* w = qobject_cast<Window*>(top);
                w && w->className() == "WC_REFERERVIEW" && w->isVisible())
                view = w;
        return view != nullptr;
    }));
    QString title;
    send(view, WM_GETTEXT, 0, reinterpret_cast<LParam>(&title));
    EXPECT_TRUE(title.startsWith(QStringLiteral("http"))) << title.toStdString();
    EXPECT_EQ(paneClasses(), before);
    view->close();
}

// A new load writes the report again and the view shows it; the buttons go back, forward
// and home, and open the folder.
TEST_F(ReportView, ANewLoadReloadsAndTheButtonsWork)
{
    openSampleReport();
    EXPECT_FALSE(child(mainView(), filters::kSourceToolbar) &&
                 send(child(mainView(), filters::kSourceToolbar), TB_COMMANDTOINDEX,
                      filters::kSourceButton) >= 0);
    evaluate(QStringLiteral("window.seenBefore = 1"));
    send(child(main(), IDW_STORE), UM_RELOAD);
    ASSERT_TRUE(waitFor([this] {
        return filters::logOf(main()) &&
               evaluate(QStringLiteral("typeof window.seenBefore === 'undefined' && "
                                       "document.querySelector('tbody tr') !== null"))
                   .toBool();
    }));

    const auto page = [this] { return QFileInfo(browser()->address().toLocalFile()).fileName(); };
    command(mainView(), report::kCommandBack); // at the start of the history: nothing
    ASSERT_TRUE(settle());
    EXPECT_EQ(page(), QStringLiteral("index.html"));
    const auto* folder = reinterpret_cast<const char*>(send(main(), UM_GETPATH, 0, 1));
    const QString css = QString::fromUtf8(folder) + QStringLiteral("/report.css");
    send(host(), WBM_NAVIGATE, 0, reinterpret_cast<LParam>(&css));
    ASSERT_TRUE(waitFor([&] { return page() == QStringLiteral("report.css"); }));
    command(mainView(), report::kCommandBack);
    ASSERT_TRUE(waitFor([&] { return page() == QStringLiteral("index.html"); }));
    command(mainView(), report::kCommandForward);
    ASSERT_TRUE(waitFor([&] { return page() == QStringLiteral("report.css"); }));
    command(mainView(), report::kCommandHome);
    ASSERT_TRUE(waitFor([&] { return page() == QStringLiteral("index.html"); }));

    command(mainView(), report::kCommandOpenFolder);
    EXPECT_EQ(m_folders, std::vector<std::string>{folder});
}

} // namespace
