// Sortwell: the URL group editor. Start-up: window classes, the data folder, the frame
// with its splash, then the analysed log named on the command line.

#include "dialogs/look.h"
#include "dialogs/ui.h"
#include "platform/large_pages.h"
#include "platform/trace.h"
#include "sortwell/sortwell_window.h"
#include "toolkit/qt_glue.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    toolkit::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sortwell"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setDesktopFileName(QStringLiteral("vexilo-sortwell"));
    ui::applyLook();
    if (const char* port = std::getenv("VEXILO_TRACE_PORT"))
        platform::setTracePort(static_cast<std::uint16_t>(std::atoi(port)));

    sortwell::registerSortwellWindows();
    platform::trace("---- Vexilo Sortwell");
    if (uiMakeHomeDir(nullptr, true) != 0)
        return 1;

    sortwell::SortwellFrame frame;
    if (!frame.client()) {
        QMessageBox::critical(nullptr, QString::fromLatin1(sortwell::kTitle),
                              QStringLiteral("CreateWindowEx failed"));
        return 1;
    }
    uiDoSplash("Sortwell", &frame, UI_SW_SHOWNORMAL);

    // Without a log on the command line nothing is opened: File > 編集サイトの変更 opens one.
    toolkit::postCommandLineOpen(frame.client(), sortwell::kCmdOpen, argc, argv);
    return QApplication::exec();
}
