// The main window with real windows and real messages, offscreen: opening, relaying,
// closing, saving, the URL-group watch, the menu state and the chain rebuild. Panes that
// later issues bring are stood in for by small recording classes.

#include "filters/kinds.h"
#include "filters/pane_classes.h"
#include "mainwin/main_window.h"
#include "mainwin/report_work_folder.h"
#include "mainwin/status_bar.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "sortwell/sortwell_load.h"
#include "store/store_window.h"
#include "tests/dialogs/dialog_env.h"
#include "tests/store/hits.h"
#include "toolkit/window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace {

using namespace toolkit;
using namespace vxtest;

// What every stand-in pane heard, by class.
std::map<std::string, std::vector<unsigned>>& heard()
{
    static std::map<std::string, std::vector<unsigned>> messages;
    return messages;
}

// A filter pane stand-in: takes the first free id from 2100 and its place in the column,
// replaces itself on an add-filter command, and records what it hears.
struct StandInPane : Handler
{
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        heard()[self.className()].push_back(msg);
        if (msg == WM_CREATE && self.id() == 0) {
            int id = IDW_FILTER_FIRST;
            while (child(self.parentWidget(), id))
                ++id;
            self.setId(id);
            const int pos = id - IDW_FILTER_FIRST;
            self.setGeometry(0, 44 + 200 * pos, 300, 100);
        }
        if (msg == WM_COMMAND) {
            if (const filters::KindInfo* kind = filters::kindOfCommand(loWord(wParam))) {
                Window* next = create(kind->className, self.parentWidget(), self.id(),
                                      self.geometry(), nullptr, 0);
                self.setId(0);
                closeWindow(&self);
                return reinterpret_cast<LResult>(next);
            }
        }
        return defaultProc(self, msg, wParam, lParam);
    }
};

void registerStandIns()
{
    for (const char* name : {"WC_FILTER_REQ", "WC_FILTER_REF", "WC_FILTER_OS", "WC_VIEW_LOG",
                             "WC_VIEW_GRAPH", "WC_FILTER_TIMERANGE"})
        registerClass(name, [](void*) { return std::make_unique<StandInPane>(); });
}

class MainWindowTest : public DialogTest
{
  protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        heard().clear();
        ASSERT_EQ(platform::setHomeDir(file("data")), 0);
        std::filesystem::create_directories(file("data"));
        store::registerStoreWindow();
        mainwin::registerMainWindow();
        registerStandIns();
        mainwin::Desktop d = mainwin::realDesktop();
        d.openFileName = [this](QWidget*) { return m_chosen; };
        d.saveFileName = [this](QWidget*) {
            ++m_saveDialogs;
            return m_chosen;
        };
        d.runWizard = [this](QWidget*, char* path, std::size_t size, const char*) {
            ++m_wizards;
            std::snprintf(path, size, "%s", m_wizardResult.c_str());
            return m_wizardResult.empty() ? 0 : 1;
        };
        d.startProgram = [this](const std::string& program, const QStringList&) {
            m_started.push_back(program);
            return true;
        };
        d.askToSave = [this](QWidget*) {
            ++m_asked;
            return m_answer;
        };
        mainwin::setDesktop(d);
        m_frame = std::make_unique<mainwin::MainFrame>();
        m_frame->resize(1000, 700);
        m_frame->show();
        m_frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
        EXPECT_TRUE(settle());
    }
    void TearDown() override
    {
        m_frame.reset();
        settle();
        DialogTest::TearDown();
    }

    Window* main() { return m_frame->mainWindow(); }
    Window* store() { return child(main(), IDW_STORE); }

    // An analysed log of a small site, imported from hits.
    std::string makeLog(const std::string& name, const std::string& site = kSite)
    {
        std::vector<Hit> hits = siteChain(site);
        for (int i = 0; i < 20; ++i)
            hits.push_back({"198.51.100." + std::to_string(i), 100 + i, "/p" + std::to_string(i)});
        const std::string path = file(name);
        EXPECT_EQ(importHits(hits, path), 0u);
        return path;
    }

    // Opens through the menu command with a chosen path; the Loading dialog runs by itself.
    void open(const std::string& path)
    {
        m_chosen = path;
        command(main(), mainwin::kCmdOpen);
        EXPECT_TRUE(settle());
        // The offscreen platform gives the activation back to no one after the Loading
        // dialog; a desktop's window manager returns it to the main window.
        m_frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    }

    QAction* action(int id)
    {
        for (QAction* a : m_frame->findChildren<QAction*>())
            if (a->data().toInt() == id)
                return a;
        return nullptr;
    }

    std::size_t count(const char* className, unsigned msg)
    {
        const auto& all = heard()[className];
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), msg));
    }

    std::unique_ptr<mainwin::MainFrame> m_frame;
    std::string m_chosen, m_wizardResult;
    int m_saveDialogs = 0;
    int m_wizards = 0;
    int m_asked = 0;
    int m_answer = QMessageBox::No;
    std::vector<std::string> m_started;
};

TEST_F(MainWindowTest, OpeningRelaysToEveryPaneAndClosingPutsTheTitleBack)
{
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Vexilo"));
    ASSERT_TRUE(child(main(), IDW_PERIOD));
    ASSERT_TRUE(child(main(), IDW_FILTER_FIRST + 1)); // two page filters at start
    open(makeLog("a.vxlog"));
    ASSERT_TRUE(store());
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Vexilo - www.example.com"));
    EXPECT_EQ(count("WC_FILTER_REQ", UM_LOGOPENED), 2u);
    EXPECT_EQ(count("WC_FILTER_TIMERANGE", UM_LOGOPENED), 1u);
    EXPECT_EQ(count("WC_FILTER_TIMERANGE", WM_COMMAND), 1u); // the refresh after the open

    // File > close, then a new open without restarting.
    command(main(), mainwin::kCmdClose);
    ASSERT_TRUE(settle());
    EXPECT_FALSE(store());
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Vexilo"));
    EXPECT_EQ(count("WC_FILTER_REQ", UM_LOGCLOSED), 2u);
    open(makeLog("b.vxlog", "http://www.example.org"));
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Vexilo - www.example.org"));
}

TEST_F(MainWindowTest, AFailedOpenShowsTheStoresMessageAndLeavesNoStore)
{
    const std::string good = makeLog("good.vxlog");
    const std::string bytes = readFile(good);
    std::uint64_t records = 0;
    std::memcpy(&records, bytes.data() + 32, 8);
    writeFile(file("cut.vxlog"), bytes.substr(0, 104 + records + 5)); // inside the dictionary
    writeFile(file("text.vxlog"), std::string(200, 'x'));
    writeFile(file("short.vxlog"), "only text\n");
    ASSERT_EQ(::mkfifo(file("fifo.vxlog").c_str(), 0600), 0); // would block an open for ever
    // A data folder nobody can make files in, root included: the search-word cache fails.
    const std::string noWrite = "/proc/self/fdinfo";
    const QString damaged = QStringLiteral("\n\n解析ログが壊れているか、解析ログではありません: ");
    const struct
    {
        std::string path;
        QString message;
        std::string home = {};
    } cases[] = {
        {file("missing.vxlog"),
         QStringLiteral("Open LogFile failed\n\nerr=2(0x2)\n\n解析ログが見つかりません: ")},
        {file("text.vxlog"), QStringLiteral("ファイル形式が正しくありません") + damaged},
        {file("short.vxlog"), QStringLiteral("ファイル形式が正しくありません") + damaged},
        {file("cut.vxlog"), QStringLiteral("Open LogFile failed\n\nerr=102(0x66)") + damaged},
        {file("fifo.vxlog"),
         QStringLiteral(
             "ファイル形式が正しくありません\n\n解析ログが通常のファイルではありません: ")},
        {file(""),
         QStringLiteral("Open LogFile failed\n\nerr=5(0x5)\n\n解析ログではなくフォルダです: ")},
        {good,
         QStringLiteral("Open LogFile failed\n\nerr=3(0x3)\n\nデータフォルダに書き込めません: "),
         noWrite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        if (!c.home.empty()) {
            ASSERT_EQ(platform::setHomeDir(c.home), 0);
        }
        BoxSeen box;
        ModalDriver driver({acceptBox(box)});
        open(c.path);
        EXPECT_TRUE(waitFor([&] { return !store(); }));
        EXPECT_EQ(box.caption, QStringLiteral("LogContainer"));
        EXPECT_EQ(box.text, c.message + QString::fromStdString(c.home.empty() ? c.path : c.home));
        EXPECT_FALSE(store());
        EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Vexilo"));
        ASSERT_EQ(platform::setHomeDir(file("data")), 0);
    }
}

TEST_F(MainWindowTest, MenuStateFollowsTheWindows)
{
    const int storeEntries[] = {mainwin::kCmdSave, mainwin::kCmdClose, mainwin::kCmdAddLogs,
                                mainwin::kCmdUrlGroups};
    m_frame->updateMenuState();
    for (const int id : storeEntries)
        EXPECT_FALSE(action(id)->isEnabled()) << id;
    // Ctrl+S does nothing while no log is open.
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_saveDialogs, 0);

    open(makeLog("a.vxlog"));
    ASSERT_TRUE(waitFor(
        [this] { return action(mainwin::kCmdSave)->isEnabled(); })); // follows the store's arrival
    for (const int id : storeEntries)
        EXPECT_TRUE(action(id)->isEnabled()) << id;
    // Views on show cannot be chosen again; the others can.
    m_frame->updateMenuState();
    for (const auto& [name, on] : {std::pair{"WC_VIEW_LOG", false},
                                   {"WC_VIEW_GRAPH", false},
                                   {"WC_VIEW_REPORT", true},
                                   {"WC_VIEW_FLOW", true}})
        EXPECT_EQ(action(filters::viewOfClass(name)->command)->isEnabled(), on) << name;

    m_chosen = file("saved.vxlog");
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_saveDialogs, 1);
    EXPECT_TRUE(platform::fileExists(m_chosen));
}

TEST_F(MainWindowTest, SavingATemporaryLogKeepsOnlyTheSavedFile)
{
    const std::string temp = makeLog("vx00000001.vxlog");
    m_wizardResult = temp;
    command(main(), mainwin::kCmdNewAnalysis);
    ASSERT_TRUE(settle());
    ASSERT_TRUE(store());
    m_chosen = file("kept.vxlog");
    command(main(), mainwin::kCmdSave);
    EXPECT_FALSE(platform::fileExists(temp));
    EXPECT_TRUE(platform::fileExists(m_chosen));
    command(main(), mainwin::kCmdClose);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(platform::fileExists(m_chosen));
    EXPECT_EQ(m_asked, 0); // a saved log goes without a question
}

TEST_F(MainWindowTest, AnUnsavedAnalysisGoesOnlyWhenTheUserSaysSo)
{
    // What ends the temporary log, the answer to "save it?", and what is left.
    enum class Action { Close, Open, NewAnalysis, Quit };
    const struct
    {
        const char* name;
        Action action;
        int answer;
        bool saveChosen; // the save dialog gives a name (else it is cancelled)
        bool keptOpen;   // the temporary log is still the open one
        bool saved;      // it was saved under the chosen name
    } cases[] = {
        {"close, no", Action::Close, QMessageBox::No, false, false, false},
        {"close, cancel", Action::Close, QMessageBox::Cancel, false, true, false},
        {"close, yes", Action::Close, QMessageBox::Yes, true, false, true},
        {"close, yes, save cancelled", Action::Close, QMessageBox::Yes, false, true, false},
        {"open another, no", Action::Open, QMessageBox::No, false, false, false},
        {"open another, cancel", Action::Open, QMessageBox::Cancel, false, true, false},
        {"new analysis, cancel", Action::NewAnalysis, QMessageBox::Cancel, false, true, false},
        {"quit, cancel", Action::Quit, QMessageBox::Cancel, false, true, false},
        {"quit, yes", Action::Quit, QMessageBox::Yes, true, false, true},
    };
    const std::string other = makeLog("other.vxlog");
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string temp = makeLog("vx0000000" + std::to_string(++n) + ".vxlog");
        m_wizardResult = temp;
        command(main(), mainwin::kCmdNewAnalysis);
        ASSERT_TRUE(settle());
        ASSERT_TRUE(store());
        m_asked = 0;
        m_wizards = 0;
        m_answer = c.answer;
        const std::string saved = file("saved" + std::to_string(n) + ".vxlog");
        switch (c.action) {
        case Action::Close:
            m_chosen = c.saveChosen ? saved : "";
            command(main(), mainwin::kCmdClose);
            break;
        case Action::Open:
            m_chosen = other;
            command(main(), mainwin::kCmdOpen);
            break;
        case Action::NewAnalysis:
            command(main(), mainwin::kCmdNewAnalysis);
            EXPECT_EQ(m_wizards, 0); // asked before the wizard: Cancel runs none
            break;
        case Action::Quit:
            m_chosen = c.saveChosen ? saved : "";
            m_frame->close();
            break;
        }
        ASSERT_TRUE(settle());
        EXPECT_EQ(m_asked, 1);
        EXPECT_EQ(platform::fileExists(temp), c.keptOpen);
        EXPECT_EQ(platform::fileExists(saved), c.saved);
        if (c.action == Action::Quit) {
            EXPECT_EQ(m_frame->isVisible(), c.keptOpen);
            if (!c.keptOpen)
                return; // the window is gone; the last case
        }
        if (c.keptOpen) {
            EXPECT_TRUE(store());
            m_answer = QMessageBox::No; // let it go before the next case
            command(main(), mainwin::kCmdClose);
            ASSERT_TRUE(settle());
            EXPECT_FALSE(platform::fileExists(temp));
        }
        command(main(), mainwin::kCmdClose); // the other log of "open another"
        ASSERT_TRUE(settle());
        EXPECT_FALSE(store());
    }
}

TEST_F(MainWindowTest, TheUrlGroupFileGoingAndComingBackReloadsTwice)
{
    const std::string groups = file("data/www.example.com.urlgrp");
    writeFile(groups, "");
    open(makeLog("a.vxlog"));
    ASSERT_TRUE(store());
    const std::size_t opened = count("WC_FILTER_TIMERANGE", UM_LOGOPENED);
    std::filesystem::remove(groups);
    ASSERT_TRUE(waitFor([&] { return count("WC_FILTER_TIMERANGE", UM_LOGOPENED) == opened + 1; }));
    EXPECT_EQ(count("WC_FILTER_TIMERANGE", UM_LOGOPENED), opened + 1);
    EXPECT_EQ(count("WC_FILTER_TIMERANGE", WM__GETVIEWSTATE), 1u);
    EXPECT_EQ(count("WC_FILTER_TIMERANGE", WM__SETVIEWSTATE), 1u);
    writeFile(groups, "");
    ASSERT_TRUE(waitFor([&] { return count("WC_FILTER_TIMERANGE", UM_LOGOPENED) == opened + 2; }));
    EXPECT_EQ(count("WC_FILTER_TIMERANGE", UM_LOGOPENED), opened + 2);
    EXPECT_TRUE(store());
}

TEST_F(MainWindowTest, GroupsSavedInSortwellReachTheOpenLog)
{
    const std::string path = makeLog("a.vxlog");
    open(path);
    ASSERT_TRUE(store());
    const std::size_t opened = count("WC_FILTER_TIMERANGE", UM_LOGOPENED);
    // Sortwell, on the same log: /p1 and /p2 into /Pages, saved to the site's file.
    store::LogContainer own;
    own.logPath = path;
    sortwell::TextTable table;
    store::Progress progress{0};
    ASSERT_EQ(sortwell::loadForSortwell(own, table, nullptr, progress, file("data")), 0);
    table.createGroup("/Pages");
    table.moveInto({"/p1", "/p2"}, "/Pages");
    ASSERT_EQ(sortwell::saveGroupFile(table, file("data"), sortwell::groupFileName(own)), 0);
    ASSERT_TRUE(waitFor([&] { return count("WC_FILTER_TIMERANGE", UM_LOGOPENED) == opened + 1; }));
    store::LogContainer* log =
        reinterpret_cast<store::LogContainer*>(send(store(), UM_GETLOGCONTAINER));
    ASSERT_NE(log, nullptr);
    std::map<std::string, std::string> groups;
    for (const store::ReqEntry& r : log->Req)
        groups[r.text] = r.group;
    EXPECT_EQ(groups["/p1"], "/Pages");
    EXPECT_EQ(groups["/p2"], "/Pages");
    EXPECT_EQ(groups["/p3"], "/p3");
}

TEST_F(MainWindowTest, RebuildingTheChain)
{
    auto classes = [&] {
        std::vector<std::string> names;
        for (int id = IDW_FILTER_FIRST; Window* pane = child(main(), id); ++id)
            names.push_back(pane->className());
        return names;
    };
    using Names = std::vector<std::string>;
    ASSERT_EQ(classes(), (Names{"WC_FILTER_REQ", "WC_FILTER_REQ"}));
    const struct
    {
        Names wanted;
        LResult result;
    } steps[] = {
        {{"WC_FILTER_REQ", "WC_FILTER_REQ"}, 2},                 // nothing to change
        {{"WC_FILTER_REQ", "WC_FILTER_REF", "WC_FILTER_OS"}, 1}, // one switched, one added
        {{"WC_FILTER_REQ"}, 1},                                  // surplus closed
    };
    for (const auto& s : steps) {
        EXPECT_EQ(command(main(), mainwin::kCmdRebuildChain, reinterpret_cast<LParam>(&s.wanted)),
                  s.result);
        ASSERT_TRUE(settle());
        EXPECT_EQ(classes(), s.wanted);
    }
    // The last kept pane reaches down to the status bar.
    Window* last = child(main(), IDW_FILTER_FIRST);
    EXPECT_EQ(last->geometry().bottom() + 1, child(main(), IDW_STATUSBAR)->y());
}

TEST_F(MainWindowTest, ARestartShowsTheWindowAsItWasLeft)
{
    const auto classes = [this] {
        std::vector<std::string> names;
        for (int id = IDW_FILTER_FIRST; Window* pane = child(main(), id); ++id)
            names.push_back(pane->className());
        return names;
    };
    const std::vector<std::string> chain = {"WC_FILTER_REQ", "WC_FILTER_REF", "WC_FILTER_OS"};
    ASSERT_EQ(command(main(), mainwin::kCmdRebuildChain, reinterpret_cast<LParam>(&chain)), 1);
    m_frame->resize(900, 650);
    m_frame->move(40, 30);
    Window* splitter = child(main(), IDW_SPLITTER);
    setWindowPos(splitter, QRect(400, 0, splitter->width(), splitter->height()));
    command(main(), filters::viewOfClass("WC_VIEW_GRAPH")->command); // the graph as main view
    ASSERT_TRUE(settle());
    const QRect place = m_frame->geometry();
    const std::string mainView = child(main(), IDW_VIEW_FIRST)->className();
    m_frame->close();
    ASSERT_TRUE(settle());

    m_frame = std::make_unique<mainwin::MainFrame>();
    m_frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    ASSERT_TRUE(settle());
    EXPECT_EQ(m_frame->size(), place.size());
    EXPECT_EQ(classes(), chain);
    EXPECT_EQ(child(main(), IDW_SPLITTER)->x(), 400);
    EXPECT_EQ(child(main(), IDW_VIEW_FIRST)->className(), mainView);

    // Back to the chain the program starts with.
    command(main(), mainwin::kCmdDefaultChain);
    ASSERT_TRUE(settle());
    EXPECT_EQ(classes(), (std::vector<std::string>{"WC_FILTER_REQ", "WC_FILTER_REQ"}));
}

TEST_F(MainWindowTest, TheAddButtonStopsAtSixFilterPanes)
{
    Window* bar = child(main(), IDW_ADD_FILTER_TOOLBAR);
    ASSERT_TRUE(bar);
    auto enabled = [&] {
        EXPECT_TRUE(settle());
        return send(bar, TB_ISBUTTONENABLED, mainwin::kCmdAddFilterMenu) != 0;
    };
    EXPECT_TRUE(enabled());
    for (int i = 0; i < 4; ++i)
        command(main(), 40015);
    EXPECT_FALSE(enabled());
    command(main(), 40015); // the menu still adds
    EXPECT_TRUE(child(main(), IDW_FILTER_FIRST + 6));
    send(child(main(), IDW_FILTER_FIRST + 6), WM_CLOSE);
    send(child(main(), IDW_FILTER_FIRST + 5), WM_CLOSE);
    EXPECT_TRUE(enabled());
}

TEST_F(MainWindowTest, SidePrograms)
{
    // Each is started from the program folder; URL groups and the query decoder with the log.
    const struct
    {
        int command;
        const char* program;
    } cases[] = {{mainwin::kCmdUrlGroups, "Sortwell"},
                 {mainwin::kCmdQueryDecoder, "Wordlens"},
                 {mainwin::kCmdCombine, "combine"},
                 {mainwin::kCmdCompress, "crunchbox"}};
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        ASSERT_TRUE(platform::fileExists(platform::programPath(c.program))) << c.program;
        command(main(), c.command);
        expected.push_back(platform::programPath(c.program));
    }
    EXPECT_EQ(m_started, expected);
}

TEST(StatusBar, HostPartAndParts)
{
    bool busy = false;
    EXPECT_EQ(mainwin::hostPartText(QStringLiteral("*40/40"), &busy), QStringLiteral("DNS 40/40"));
    EXPECT_TRUE(busy);
    EXPECT_EQ(mainwin::hostPartText(QStringLiteral(" complete"), &busy),
              QStringLiteral("DNS complete"));
    EXPECT_FALSE(busy);
    EXPECT_EQ(mainwin::hostPartText(QString(), &busy), QStringLiteral("DNS "));
    const auto parts = mainwin::statusParts(1000);
    EXPECT_EQ(parts.ends[0], 140);
    EXPECT_EQ(parts.ends[1], 800);
    EXPECT_EQ(parts.ends[2], 1000);
}

TEST(ReportWorkFolder, TwoProgramsInOneSecondAndOrphans)
{
    TempDir dir;
    const std::string templates = dir.file("templates");
    std::filesystem::create_directories(templates);
    writeFile(templates + "/index.html", "<html></html>");
    std::time_t clock = 1790812800;
    mainwin::WorkFolderSetup setup;
    setup.templates = templates;
    setup.tempFolder = dir.path();
    setup.now = [&] { return clock; };
    setup.waitASecond = [&] { ++clock; };
    int error = -1;
    const std::string first = mainwin::createReportWorkFolder(setup, &error);
    const std::string second = mainwin::createReportWorkFolder(setup, &error);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_TRUE(platform::fileExists(second + "/index.html"));

    // A folder whose owner is gone goes at the next start; ours stay.
    writeFile(first + "/" + mainwin::kOwnerMarker, "999999999 1\n");
    EXPECT_EQ(mainwin::removeOrphanedWorkFolders(dir.path()), 1);
    EXPECT_FALSE(platform::isDirectory(first));
    EXPECT_TRUE(platform::isDirectory(second));

    // Without templates there is nothing to wait for.
    setup.templates = dir.file("none");
    int waits = 0;
    setup.waitASecond = [&] { ++waits; };
    EXPECT_EQ(mainwin::createReportWorkFolder(setup, &error), "");
    EXPECT_NE(error, 0);
    EXPECT_EQ(waits, 0);
}

} // namespace
