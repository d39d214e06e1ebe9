// Vexilo: the main program. Start-up: window classes, the data folder, the main window,
// the splash that shows it, then the analysed log named on the command line.

#include "browser/glint.h"
#include "dialogs/look.h"
#include "dialogs/ui.h"
#include "filters/filter_window.h"
#include "hosts/host_windows.h"
#include "mainwin/main_window.h"
#include "overlay/demo_site.h"
#include "overlay/overlay_view.h"
#include "platform/large_pages.h"
#include "platform/trace.h"
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
#include <QDialog>
#include <QFile>
#include <QFont>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGTERM and SIGINT close the window as the close button does, so that the report work
// folder and a temporary log go away with it.
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &byte, 1);
}

QPointer<QWidget> g_frame;

// A signal closes what is on top: a dialog (the data-folder dialog at start-up counts as
// cancelled), else the main window; before there is one, the program ends with 1.
void closeOnSignals(QApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        [[maybe_unused]] const auto n = ::read(g_signalPipe[0], &byte, 1);
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
        else if (g_frame)
            g_frame->close();
        else
            QCoreApplication::exit(1);
    });
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    glint::prepareApplication();
    toolkit::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexilo"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setApplicationVersion(QStringLiteral(VEXILO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vexilo"));
    ui::applyLook();
    // Tests read the trace on a port of their own.
    if (const char* port = std::getenv("VEXILO_TRACE_PORT"))
        platform::setTracePort(static_cast<std::uint16_t>(std::atoi(port)));

    // The embedded browser's requests say that they are the program's own, so that a log
    // of the site it shows leaves them out. In the demo (VEXILO_DEMO_SITE, a folder of
    // genlog --site) the site's pages come from that folder.
    if (const QByteArray demo = qgetenv("VEXILO_DEMO_SITE"); !demo.isEmpty())
        if (overlay::startDemoSite(QFile::decodeName(demo)).isEmpty())
            std::fprintf(stderr, "Vexilo: VEXILO_DEMO_SITE=%s holds no demo site (site.txt)\n",
                         demo.constData());
    wbInitialize(u"Orvane Vexilo");

    // 1. Window classes and the report generator of the last load step.
    store::registerStoreWindow();
    hosts::registerHostWindows();
    filters::registerFilterWindows();
    views::registerLogView();
    views::registerGraphView();
    views::registerRefererView();
    views::registerFlowView();
    report::registerReportView();
    overlay::registerOverlayView();
    mainwin::registerMainWindow();
    report::installReportGenerator();

    closeOnSignals(app);
    platform::trace("---- Vexilo");
    // 2. A data folder, chosen now if there is none.
    if (uiMakeHomeDir(nullptr, true) != 0)
        return 1;

    // 3. The main window, shown by the splash when its fade ends.
    mainwin::MainFrame frame;
    if (!frame.mainWindow()) {
        QMessageBox::critical(nullptr, QStringLiteral("Vexilo"),
                              QStringLiteral("CreateWindowEx failed"));
        return 1;
    }
    g_frame = &frame;
    uiDoSplash("", &frame, UI_SW_SHOWNORMAL);

    // 4. The analysed log on the command line, once the window runs.
    toolkit::postCommandLineOpen(frame.mainWindow(), mainwin::kCmdOpen, argc, argv);
    return QApplication::exec();
}
