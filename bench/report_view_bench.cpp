// The report view on the bundled sample, offscreen, as a user starts the program with a
// log on the command line: how long the embedded browser takes to show its first page,
// how long the load takes with the report view as the main view and without it (the log
// view in its place, no QtWebEngine at all), and how soon after the load's end the report
// of the new load is on the screen (the page reloaded, not the 500 ms settling after it).
//
//   bench_report_view                 the bundled sample
//   bench_report_view --log FILE.gz   another access log (imported first)

#include "browser/glint.h"
#include "filters/chain_windows.h"
#include "filters/filter_window.h"
#include "hosts/host_windows.h"
#include "mainwin/main_window.h"
#include "platform/large_pages.h"
#include "platform/name_service.h"
#include "platform/settings.h"
#include "report/report_generator.h"
#include "report/report_view.h"
#include "store/store_window.h"
#include "toolkit/qt_glue.h"
#include "toolkit/window.h"
#include "views/flow_view.h"
#include "views/graph_view.h"
#include "views/log_view.h"
#include "views/referer_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 5;

template <typename F> bool waitUntil(F done, int limitMillis = 60000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMillis)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Run
{
    double firstPage = 0;        // window made -> the browser's first page loaded
    double load = 0;             // open command -> the log open
    std::vector<double> shown;   // load's end -> the new report loaded (each round)
    std::vector<double> reloads; // reload command -> the log open again
};

// One program start: the main window, the log opened at once, then reloads.
Run start(const std::string& log, bool withReport)
{
    Run run;
    mainwin::Desktop desktop = mainwin::realDesktop();
    desktop.openFileName = [log](QWidget*) { return log; };
    mainwin::setDesktop(desktop);
    QElapsedTimer clock;
    clock.start();
    auto frame = std::make_unique<mainwin::MainFrame>();
    frame->resize(1180, 760);
    frame->show();
    toolkit::Window* main = frame->mainWindow();
    glint::Browser* browser = nullptr;
    qint64 lastPage = -1;
    if (withReport) {
        browser = glint::browserOf(
            toolkit::child(toolkit::child(main, toolkit::IDW_VIEW_FIRST), report::kBrowserId));
        if (!browser) {
            std::fprintf(stderr, "bench_report_view: no report view\n");
            std::exit(1);
        }
        QObject::connect(browser, &glint::Browser::documentComplete,
                         [&] { lastPage = clock.elapsed(); });
    }
    const qint64 opened = clock.elapsed();
    toolkit::command(main, mainwin::kCmdOpen);
    for (int round = 0; round <= kRounds; ++round) {
        const qint64 asked = clock.elapsed();
        if (round > 0)
            toolkit::send(toolkit::child(main, toolkit::IDW_STORE), toolkit::UM_RELOAD);
        if (!waitUntil([&] { return filters::logOf(main) != nullptr; })) {
            std::fprintf(stderr, "bench_report_view: the log did not open\n");
            std::exit(1);
        }
        const qint64 loaded = clock.elapsed();
        if (round == 0)
            run.load = static_cast<double>(loaded - opened);
        else
            run.reloads.push_back(static_cast<double>(loaded - asked));
        if (withReport) {
            if (!waitUntil([&] { return lastPage >= loaded; })) {
                std::fprintf(stderr, "bench_report_view: the report did not show\n");
                std::exit(1);
            }
            run.shown.push_back(static_cast<double>(lastPage - loaded));
        }
        if (round == 0 && withReport) {
            // The first page of a fresh start: before the log or with it, whichever came.
            run.firstPage = static_cast<double>(lastPage - opened);
        }
        waitUntil([] { return toolkit::queuedWork() == 0; });
    }
    frame.reset();
    waitUntil([] { return toolkit::queuedWork() == 0; });
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    std::string sample = std::string(VEXILO_SOURCE_DIR) + "/samples/sample.log.gz";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--log")
            sample = argv[i + 1];
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char pattern[] = "/tmp/bench-report-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    ::setenv("HOME", dir.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    ::setenv("TMPDIR", dir.c_str(), 1);
    glint::prepareApplication();
    toolkit::Application app(argc, argv);
    wbInitialize(u"Orvane Vexilo");

    const std::string log = dir + "/sample.vxlog";
    const std::string importLine =
        std::string(VEXILO_CLI) + " import -o " + log + " " + sample + " >/dev/null";
    if (std::system(importLine.c_str()) != 0) {
        std::fprintf(stderr, "bench_report_view: cannot import %s\n", sample.c_str());
        return 1;
    }
    std::filesystem::create_directories(dir + "/data");
    if (platform::setHomeDir(dir + "/data") != 0)
        return 1;
    platform::setNameService(platform::makeOfflineNameService());
    store::registerStoreWindow();
    hosts::registerHostWindows();
    filters::registerFilterWindows();
    views::registerLogView();
    views::registerGraphView();
    views::registerRefererView();
    views::registerFlowView();
    mainwin::registerMainWindow();
    report::installReportGenerator();

    std::fprintf(stderr, "bench_report_view: %s, %d reloads each\n", sample.c_str(), kRounds);
    // Without the report view first: no QtWebEngine in the process yet.
    const Run plain = start(log, false);
    report::registerReportView();
    const Run withReport = start(log, true);

    std::fprintf(stderr, "  load at start, log view as main view     %8.1f ms\n", plain.load);
    std::fprintf(stderr, "  load at start, report view as main view  %8.1f ms\n", withReport.load);
    std::fprintf(stderr, "  reload, log view / report view (median)  %8.1f / %.1f ms\n",
                 median(plain.reloads), median(withReport.reloads));
    std::fprintf(stderr, "  first page of the browser after start    %8.1f ms\n",
                 withReport.firstPage);
    std::fprintf(stderr, "  report shown after the first load's end  %8.1f ms\n",
                 withReport.shown.front());
    std::vector<double> again(withReport.shown.begin() + 1, withReport.shown.end());
    std::fprintf(stderr,
                 "  report shown after a reload's end        min %.1f  median %.1f  max %.1f ms\n",
                 *std::min_element(again.begin(), again.end()), median(again),
                 *std::max_element(again.begin(), again.end()));
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
