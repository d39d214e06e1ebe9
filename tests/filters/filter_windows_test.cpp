// The filter panes as windows in the real main window, offscreen: a chain on an opened log,
// what one gesture costs, moving, closing, bypassing, exporting, a reload, and the same
// CSV bytes from the window as from vexilo-cli filter.

#include "filters/chain_windows.h"
#include "filters/filter_window.h"
#include "filters/kinds.h"
#include "filters/pane_frame.h"
#include "mainwin/main_window.h"
#include "platform/codepage.h"
#include "platform/settings.h"
#include "store/store_window.h"
#include "tests/dialogs/dialog_env.h"
#include "tests/store/hits.h"
#include "toolkit/controls.h"
#include "toolkit/stat_list.h"
#include "toolkit/window.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sys/wait.h>

namespace {

using namespace toolkit;
using namespace vxtest;

// The main view stand-in: counts the refreshes that reach the views, and the source limits.
struct ViewCounts
{
    std::vector<std::uint32_t> refreshes;
    std::vector<int> limits;
};
ViewCounts g_view;

struct ViewStandIn : Handler
{
    LResult onMessage(Window& self, unsigned msg, WParam w, LParam l) override
    {
        if (msg == WM_COMMAND && loWord(w) == ID_REFRESH)
            g_view.refreshes.push_back(static_cast<std::uint32_t>(l));
        if (msg == toolkit::UM_LIMITSOURCE)
            g_view.limits.push_back(static_cast<int>(w));
        return defaultProc(self, msg, w, l);
    }
};

class FilterWindows : public DialogTest
{
  protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        g_view = {};
        std::filesystem::create_directories(file("data"));
        ASSERT_EQ(platform::setHomeDir(file("data")), 0);
        store::registerStoreWindow();
        mainwin::registerMainWindow();
        filters::registerFilterWindows();
        registerClass("WC_VIEW_LOG", [](void*) { return std::make_unique<ViewStandIn>(); });
        mainwin::Desktop d = mainwin::realDesktop();
        d.openFileName = [this](QWidget*) { return m_log; };
        mainwin::setDesktop(d);
        filters::setExportPathChooser([this](QWidget*) { return m_exportTo; });
        m_frame = std::make_unique<mainwin::MainFrame>();
        m_frame->resize(1000, 900);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
        ASSERT_TRUE(settle());
    }
    void TearDown() override
    {
        m_frame.reset();
        filters::setExportPathChooser(nullptr);
        settle();
        DialogTest::TearDown();
    }

    Window* main() { return m_frame->mainWindow(); }
    Window* pane(int position) { return child(main(), 2100 + position); }
    StatList* list(int position) { return pane(position)->findChild<StatList*>(); }
    QString label(int position)
    {
        return static_cast<filters::PaneFrame*>(pane(position))->label();
    }
    std::vector<std::string> classes()
    {
        std::vector<std::string> names;
        for (Window* p : filters::filterPanes(main()))
            names.push_back(p->className());
        return names;
    }
    QString selectedKey(int position)
    {
        const auto rows = list(position)->selectedRows();
        return rows.empty() ? QString()
                            : list(position)->model()->index(rows[0], 0).data().toString();
    }
    void open(const std::string& path)
    {
        m_log = path;
        command(main(), mainwin::kCmdOpen);
        EXPECT_TRUE(waitFor([this] { return filters::logOf(main()) != nullptr; }));
        EXPECT_TRUE(settle());
    }
    // A small log of one site: visitors on /a, /b, /c from a few referers.
    std::string smallLog()
    {
        std::vector<Hit> hits = siteChain();
        for (int i = 0; i < 30; ++i) {
            const std::string host = "198.51.100." + std::to_string(i);
            hits.push_back({host, 100 + i, i % 3 ? "/a" : "/b",
                            "http://ref" + std::to_string(i % 4) + ".example/"});
            hits.push_back({host, 160 + i, i % 2 ? "/c" : "/d", kSite + "/a"});
        }
        const std::string path = file("small.vxlog");
        EXPECT_EQ(importHits(hits, path), 0u);
        return path;
    }

    std::unique_ptr<mainwin::MainFrame> m_frame;
    std::string m_log, m_exportTo;
};

TEST_F(FilterWindows, OneGestureIsOnePassAndNewPanesStartWithTheirTopRow)
{
    open(smallLog());
    ASSERT_TRUE(pane(1));
    EXPECT_EQ(label(0), QStringLiteral("2."));
    EXPECT_EQ(label(1), QStringLiteral("3."));
    ASSERT_EQ(list(0)->selectedRows(), (std::vector<int>{0}));
    ASSERT_EQ(list(1)->selectedRows(), (std::vector<int>{0}));
    g_view.refreshes.clear();
    // Two rows in one gesture: one pass down the chain.
    list(0)->setSelectedRows({0, 1});
    ASSERT_TRUE(settle());
    EXPECT_EQ(g_view.refreshes.size(), 1u);
    // Ctrl+A in a list selects every row; Escape pressed and released there clears them
    // and leaves the next pane without input; a release alone (after Escape closed a
    // dialog) does nothing.
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    list(0)->setFocus();
    QTest::keyClick(list(0), Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(settle());
    EXPECT_EQ(static_cast<int>(list(0)->selectedRows().size()), list(0)->rowCount());
    QTest::keyRelease(list(0), Qt::Key_Escape);
    ASSERT_TRUE(settle());
    EXPECT_EQ(static_cast<int>(list(0)->selectedRows().size()), list(0)->rowCount());
    QTest::keyClick(list(0), Qt::Key_Escape);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(list(0)->selectedRows().empty());
    EXPECT_EQ(list(1)->rowCount(), 0);
}

TEST_F(FilterWindows, MovingClosingAndBypassingKeepTheChainInOrder)
{
    open(smallLog());
    command(main(), filters::kindInfo(filters::Kind::Ref).command); // a referer pane as the third
    ASSERT_TRUE(settle());
    ASSERT_EQ(classes(),
              (std::vector<std::string>{"WC_FILTER_REQ", "WC_FILTER_REQ", "WC_FILTER_REF"}));
    EXPECT_EQ(list(2)->selectedRows(), (std::vector<int>{0}));

    // Pane 3 one up: the chain recomputes from position 1, the views once.
    g_view.refreshes.clear();
    command(pane(2), filters::kCommandUp);
    ASSERT_TRUE(settle());
    EXPECT_EQ(classes(),
              (std::vector<std::string>{"WC_FILTER_REQ", "WC_FILTER_REF", "WC_FILTER_REQ"}));
    EXPECT_LT(pane(1)->y(), pane(2)->y());
    EXPECT_EQ(g_view.refreshes.size(), 1u);

    // Bypassing the first: it shows "-." and the next reads the period.
    send(child(pane(0), filters::kOwnToolbarId), TB_CHECKBUTTON, filters::kCommandBypass,
         1); // as a click does
    command(pane(0), filters::kCommandBypass);
    ASSERT_TRUE(settle());
    EXPECT_EQ(label(0), QStringLiteral("-."));
    EXPECT_EQ(label(1), QStringLiteral("2."));

    // Closing the middle one renumbers the last and limits the views' sources.
    g_view.refreshes.clear();
    command(pane(1), filters::kCommandClose);
    ASSERT_TRUE(settle());
    EXPECT_EQ(classes(), (std::vector<std::string>{"WC_FILTER_REQ", "WC_FILTER_REQ"}));
    EXPECT_EQ(g_view.limits, (std::vector<int>{2}));
    EXPECT_EQ(g_view.refreshes.size(), 1u);
    EXPECT_EQ(label(1), QStringLiteral("2."));
}

TEST_F(FilterWindows, SixPanesFitAndASmallWindowScrollsTheColumn)
{
    open(smallLog());
    for (int p = 2; p < 6; ++p)
        command(main(), filters::kindInfo(filters::Kind::Ref).command);
    ASSERT_TRUE(settle());
    ASSERT_EQ(filters::filterPanes(main()).size(), 6u);
    const auto scrollBar = [this] {
        return main()->findChild<QScrollBar*>(QStringLiteral("filterColumnScroll"));
    };
    for (const QSize size : {QSize(1180, 760), QSize(1600, 1000), QSize(1000, 900)}) {
        SCOPED_TRACE(size.width());
        m_frame->resize(size);
        ASSERT_TRUE(settle());
        const int statusTop = child(main(), IDW_STATUSBAR)->y();
        for (int p = 0; p < 6; ++p) {
            EXPECT_GE(pane(p)->height(), filters::kPaneUsableHeight) << p;
            if (p > 0) {
                EXPECT_EQ(pane(p)->y(), pane(p - 1)->geometry().bottom() + 1) << p;
            }
        }
        EXPECT_EQ(pane(5)->geometry().bottom() + 1, statusTop); // never over the status bar
        EXPECT_TRUE(!scrollBar() || !scrollBar()->isVisible());
    }
    // Too small for all six: the column scrolls a pane at a time, each with its rows.
    m_frame->resize(1000, 420);
    ASSERT_TRUE(settle());
    QScrollBar* bar = scrollBar();
    ASSERT_TRUE(bar && bar->isVisible());
    const int statusTop = child(main(), IDW_STATUSBAR)->y();
    const int shown = (statusTop - pane(0)->y()) / filters::kPaneUsableHeight;
    ASSERT_GE(shown, 1);
    EXPECT_EQ(bar->maximum(), 6 - shown);
    bar->setValue(bar->maximum());
    ASSERT_TRUE(settle());
    EXPECT_LT(pane(0)->geometry().bottom(), 0); // scrolled out above
    EXPECT_GE(pane(5)->y(), bar->y());
    EXPECT_LE(pane(5)->geometry().bottom() + 1, statusTop); // the last one in view, whole
    for (int p = 0; p < 6; ++p)
        EXPECT_EQ(pane(p)->height(), filters::kPaneUsableHeight) << p;
    m_frame->resize(1000, 900); // room again: no scroll bar, every pane in the column
    ASSERT_TRUE(settle());
    EXPECT_FALSE(bar->isVisible());
    EXPECT_GE(pane(0)->y(), 0);
}

TEST_F(FilterWindows, DraggingABorderAndSortingKeepWhatIsSelected)
{
    open(smallLog());
    // The second pane's title bar dragged up 60 pixels: the first ends where it begins.
    const int top = pane(1)->y(), bottom = pane(1)->geometry().bottom();
    QTest::mousePress(pane(1), Qt::LeftButton, {}, QPoint(6, 6));
    QTest::mouseMove(pane(1), QPoint(6, -54));
    // The pane moved under the pointer: the same screen point is (6, 6) of the pane now.
    QTest::mouseRelease(pane(1), Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(pane(1)->y(), top - 60);
    EXPECT_EQ(pane(1)->geometry().bottom(), bottom);
    EXPECT_EQ(pane(0)->geometry().bottom() + 1, pane(1)->y());
    // The first pane keeps its title bar and a few rows.
    QTest::mousePress(pane(1), Qt::LeftButton, {}, QPoint(6, 6));
    QTest::mouseRelease(pane(1), Qt::LeftButton, {}, QPoint(6, -2000));
    EXPECT_EQ(pane(0)->height(), filters::kPaneUsableHeight);

    // A click on "Visitor" sorts the other way round; the selection stays on its key.
    const QString key = selectedKey(0);
    list(0)->clickColumn(1);
    EXPECT_EQ(list(0)->sortType(), 3u);
    EXPECT_EQ(selectedKey(0), key);
    EXPECT_NE(list(0)->selectedRows(), (std::vector<int>{0}));
}

TEST_F(FilterWindows, ALogOpensAgainWithTheChainItWasLeftWith)
{
    const std::string log = smallLog();
    open(log);
    command(main(), filters::kindInfo(filters::Kind::Ref).command);
    ASSERT_TRUE(settle());
    list(0)->setSelectedRows({2});
    ASSERT_TRUE(settle());
    const QString selected = selectedKey(0);
    const QString third = selectedKey(2);
    ASSERT_FALSE(selected.isEmpty());
    command(main(), mainwin::kCmdClose);
    ASSERT_TRUE(settle());
    command(main(), mainwin::kCmdDefaultChain); // no log open: the panes only
    ASSERT_TRUE(settle());
    ASSERT_EQ(classes(), (std::vector<std::string>{"WC_FILTER_REQ", "WC_FILTER_REQ"}));

    open(log);
    EXPECT_EQ(classes(),
              (std::vector<std::string>{"WC_FILTER_REQ", "WC_FILTER_REQ", "WC_FILTER_REF"}));
    EXPECT_EQ(selectedKey(0), selected);
    EXPECT_EQ(selectedKey(2), third);

    // Back to the start: two page panes, and the log forgets its chain.
    command(main(), mainwin::kCmdDefaultChain);
    ASSERT_TRUE(settle());
    EXPECT_EQ(classes(), (std::vector<std::string>{"WC_FILTER_REQ", "WC_FILTER_REQ"}));
    EXPECT_EQ(list(0)->selectedRows(), (std::vector<int>{0}));
    command(main(), mainwin::kCmdClose);
    ASSERT_TRUE(settle());
    open(log);
    EXPECT_EQ(classes(), (std::vector<std::string>{"WC_FILTER_REQ", "WC_FILTER_REQ"}));
}

TEST_F(FilterWindows, TheKeyboardGoesFromPaneToPaneWithoutTouchingSelections)
{
    open(smallLog());
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    list(0)->setSelectedRows({1});
    ASSERT_TRUE(settle());
    const auto first = list(0)->selectedRows(), second = list(1)->selectedRows();
    g_view.refreshes.clear();
    list(0)->setFocus();
    ASSERT_TRUE(waitFor([this] { return list(0)->hasFocus(); }));
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int pane; // the pane whose list has the focus afterwards
    } steps[] = {
        {Qt::Key_Tab, {}, 1},
        {Qt::Key_Backtab, Qt::ShiftModifier, 0},
        {Qt::Key_F6, {}, 1},
        {Qt::Key_F6, Qt::ShiftModifier, 0},
        {Qt::Key_Tab, Qt::ControlModifier, 0}, // Ctrl+Tab is not the panes'
    };
    for (const auto& step : steps) {
        QTest::keyClick(QApplication::focusWidget(), step.key, step.modifiers);
        ASSERT_TRUE(settle());
        EXPECT_TRUE(list(step.pane)->hasFocus()) << step.key << " to " << step.pane;
    }
    EXPECT_EQ(list(0)->selectedRows(), first);
    EXPECT_EQ(list(1)->selectedRows(), second);
    EXPECT_TRUE(g_view.refreshes.empty());

    // Home and End take the first and the last row, as a click does.
    QTest::keyClick(list(0), Qt::Key_End);
    ASSERT_TRUE(settle());
    EXPECT_EQ(list(0)->selectedRows(), (std::vector<int>{list(0)->rowCount() - 1}));
    QTest::keyClick(list(0), Qt::Key_Home);
    ASSERT_TRUE(settle());
    EXPECT_EQ(list(0)->selectedRows(), (std::vector<int>{0}));
}

TEST_F(FilterWindows, NothingIsClipped)
{
    open(smallLog());
    command(pane(1), filters::kindInfo(filters::Kind::SearchWord).command);
    command(pane(0), filters::kCommandPercent); // "100.0%" in the Visitor column
    ASSERT_TRUE(settle());
    // Numbers show whole, and so do their titles with the sort arrow.
    for (int p = 0; p < 2; ++p) {
        StatList* l = list(p);
        const QFontMetrics cells(l->font()), titles(l->horizontalHeader()->font());
        for (std::size_t c = 0; c < l->columns().size(); ++c) {
            if (!(l->columns()[c].alignment & Qt::AlignRight))
                continue;
            const int section = l->horizontalHeader()->sectionSize(static_cast<int>(c));
            EXPECT_GT(section, titles.horizontalAdvance(l->columns()[c].title) + 12) << p << c;
            for (int row = 0; row < l->rowCount(); ++row) {
                const QString text = l->model()->index(row, static_cast<int>(c)).data().toString();
                EXPECT_LE(cells.horizontalAdvance(text) + 6, section) << text.toStdString();
            }
        }
    }
    // A title beside its toolbars keeps its text; the toolbars give way first.
    auto* frame = static_cast<filters::PaneFrame*>(pane(1));
    EXPECT_EQ(frame->titleButton()->text(), QStringLiteral("検索ワード ▾"));
    // The add button's label comes back when the window grows again.
    Window* add = child(main(), IDW_ADD_FILTER_TOOLBAR);
    const int wide = add->width();
    m_frame->resize(420, 500);
    ASSERT_TRUE(settle());
    m_frame->resize(1000, 900);
    ASSERT_TRUE(settle());
    EXPECT_EQ(add->width(), wide);
}

TEST_F(FilterWindows, EveryButtonSaysWhatItDoes)
{
    open(smallLog());
    command(pane(1), filters::kindInfo(filters::Kind::SearchWord).command); // two toolbars
    ASSERT_TRUE(settle());
    for (int p = 0; p < 2; ++p) {
        const auto buttons = pane(p)->findChildren<toolkit::ToolbarButton*>();
        ASSERT_GE(buttons.size(), 7) << p;
        for (toolkit::ToolbarButton* button : buttons) {
            if (button->data().command == 0)
                continue; // a separator
            QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(button, &hover);
            const QString tip = QToolTip::text();
            EXPECT_FALSE(tip.isEmpty()) << button->data().command;
            EXPECT_FALSE(tip.startsWith(QStringLiteral("iItem"))) << tip.toStdString();
            QToolTip::hideText();
        }
    }
}

TEST_F(FilterWindows, AReloadKeepsTheSelectionsAndAFailedExportSaysSo)
{
    open(smallLog());
    list(0)->setSelectedRows({2});
    ASSERT_TRUE(settle());
    const QString before = selectedKey(0);
    ASSERT_FALSE(before.isEmpty());
    send(child(main(), IDW_STORE), UM_RELOAD);
    ASSERT_TRUE(waitFor([this] { return filters::logOf(main()) != nullptr; }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(selectedKey(0), before);

    m_exportTo = file("no-such-folder/out.csv");
    BoxSeen box;
    ModalDriver driver({acceptBox(box)});
    command(pane(0), filters::kCommandExport);
    EXPECT_EQ(box.caption, QStringLiteral("Export"));
    EXPECT_EQ(box.text, QStringLiteral("エクスポートに失敗しました"));
}

// The window's export and vexilo-cli filter write the same bytes for the same chain.
TEST_F(FilterWindows, TheCommandLineExportsWhatTheWindowExports)
{
    const std::string log = file("sample.vxlog");
    const std::string sample = std::string(VEXILO_SOURCE_DIR) + "/samples/sample.log.gz";
    ASSERT_EQ(std::system((std::string(VEXILO_CLI) + " import --all-agents -o " + log + " " +
                           sample + " >/dev/null")
                              .c_str()),
              0);
    open(log);
    command(pane(1), filters::kindInfo(filters::Kind::Ref).command); // the second shows referers
    ASSERT_TRUE(settle());
    command(main(), filters::kindInfo(filters::Kind::VisitorKind).command); // a third: kinds
    ASSERT_TRUE(settle());
    // The first bypassed, so that the machines reach the kinds.
    send(child(pane(0), filters::kOwnToolbarId), TB_CHECKBUTTON, filters::kCommandBypass, 1);
    command(pane(0), filters::kCommandBypass);
    ASSERT_TRUE(settle());
    std::string windows;
    for (int p = 0; p < 3; ++p) {
        m_exportTo = file("pane" + std::to_string(p) + ".csv");
        command(pane(p), filters::kCommandExport);
        windows += readFile(m_exportTo);
    }
    const std::string out = file("cli.txt");
    ASSERT_EQ(std::system((std::string(VEXILO_CLI) + " filter " + log + " --home " + file("data") +
                           " --pane req,bypass --pane ref --pane visitorkind > " + out)
                              .c_str()),
              0);
    // The command's output without its "#" lines is the panes' exports one after the other.
    std::string cli;
    const std::string all = readFile(out);
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t lf = all.find('\n', at);
        const std::size_t end = lf == std::string::npos ? all.size() : lf + 1;
        if (all[at] != '#')
            cli += all.substr(at, end - at);
        at = end;
    }
    EXPECT_GT(windows.size(), 1000u);
    EXPECT_NE(windows.find(platform::utf8ToCp932("AIクローラー: GPTBot")), std::string::npos);
    EXPECT_TRUE(cli == windows) << "the command and the window differ";
}

} // namespace
