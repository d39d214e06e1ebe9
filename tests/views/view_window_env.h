#pragma once

// What the views' window tests share: the main window with every view class registered,
// offscreen, a private data folder, the desktop's open dialog, the export dialog and the
// address opener replaced by recorders, and the bundled sample imported and opened.

#include "filters/chain_windows.h"
#include "filters/filter_window.h"
#include "hosts/host_windows.h"
#include "mainwin/main_window.h"
#include "platform/name_service.h"
#include "platform/settings.h"
#include "store/store_window.h"
#include "tests/dialogs/dialog_env.h"
#include "tests/hosts/fake_name_service.h"
#include "tests/import/import_helpers.h"
#include "toolkit/window.h"
#include "views/flow_view.h"
#include "views/graph_view.h"
#include "views/log_view.h"
#include "views/referer_view.h"

#include <QApplication>
#include <QTest>
#include <filesystem>

namespace vxtest {

class ViewWindowTest : public DialogTest
{
  protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        // Host names come from a stand-in that answers only when a test says so: no test
        // waits on the network's reverse lookups.
        m_names = std::make_shared<FakeNameService>();
        platform::setNameService(m_names);
        // Lookups topped up every 100 ms, not 2 s (still no short timer that settle()
        // would wait for).
        hosts::setHostTimers({100, 100, 300});
        std::filesystem::create_directories(file("data"));
        ASSERT_EQ(platform::setHomeDir(file("data")), 0);
        registerClasses();
        views::setAddressOpener([this](const std::string& url) {
            m_opened.push_back(url);
            return true;
        });
        mainwin::Desktop d = mainwin::realDesktop();
        d.openFileName = [this](QWidget*) { return m_log; };
        mainwin::setDesktop(d);
        filters::setExportPathChooser([this](QWidget*) { return m_exportTo; });
        m_frame = std::make_unique<mainwin::MainFrame>();
        m_frame->resize(1200, 850);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
        ASSERT_TRUE(settle());
    }
    void TearDown() override
    {
        m_frame.reset();
        settle();
        filters::setExportPathChooser(nullptr);
        platform::setNameService(nullptr);
        hosts::setHostTimers({});
        DialogTest::TearDown();
    }

    // The classes the main window finds; a test leaves out the views it does not look at.
    virtual void registerClasses()
    {
        store::registerStoreWindow();
        hosts::registerHostWindows();
        mainwin::registerMainWindow();
        filters::registerFilterWindows();
        views::registerLogView();
        views::registerGraphView();
        views::registerRefererView();
        views::registerFlowView();
    }

    toolkit::Window* main() { return m_frame->mainWindow(); }
    toolkit::Window* mainView() { return toolkit::child(main(), toolkit::IDW_VIEW_FIRST); }

    // Opens an analysed log as the File menu does and waits for its load.
    void open(const std::string& path)
    {
        m_log = path;
        toolkit::command(main(), mainwin::kCmdOpen);
        EXPECT_TRUE(waitFor([this] { return filters::logOf(main()) != nullptr; }));
        EXPECT_TRUE(settle());
    }
    // Imports the bundled sample into sample.vxlog and opens it.
    void openSample()
    {
        const std::string log = file("sample.vxlog");
        const std::string sample = std::string(VEXILO_SOURCE_DIR) + "/samples/sample.log.gz";
        ASSERT_EQ(std::system(
                      (std::string(VEXILO_CLI) + " import -o " + log + " " + sample + " >/dev/null")
                          .c_str()),
                  0);
        open(log);
        ASSERT_TRUE(filters::logOf(main()));
    }
    // What vexilo-cli prints for a command over the open log with these options, read back.
    std::string cli(const std::string& command, const std::string& options)
    {
        const std::string out = file("cli.out");
        const std::string line = std::string(VEXILO_CLI) + " " + command + " " + m_log +
                                 " --home " + file("data") + " " + options + " > " + out;
        EXPECT_EQ(std::system(line.c_str()), 0) << line;
        return readFile(out);
    }
    // Runs the window's export command and reads what it wrote.
    std::string windowExport(toolkit::Window* view, int command)
    {
        m_exportTo = file("window.csv");
        std::filesystem::remove(m_exportTo);
        toolkit::command(view, command);
        return readFile(m_exportTo);
    }

    std::shared_ptr<FakeNameService> m_names;
    std::unique_ptr<mainwin::MainFrame> m_frame;
    std::string m_log, m_exportTo;
    std::vector<std::string> m_opened;
};

} // namespace vxtest
