// Wordlens: the query decoder. Start-up: window classes, the data folder, the frame
// with its splash, then the analysed log named on the command line.

#include "dialogs/look.h"
#include "dialogs/ui.h"
#include "platform/large_pages.h"
#include "platform/trace.h"
#include "toolkit/qt_glue.h"
#include "wordlens/wordlens_window.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    toolkit::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wordlens"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    QApplication::setDesktopFileName(QStringLiteral("vexilo-wordlens"));
    ui::applyLook();
    if (const char* port = std::getenv("VEXILO_TRACE_PORT"))
        platform::setTracePort(static_cast<std::uint16_t>(std::atoi(port)));

    wordlens::registerWordlensWindows();
    platform::trace("---- Vexilo Wordlens");
    if (uiMakeHomeDir(nullptr, true) != 0)
        return 1;

    wordlens::WordlensFrame frame;
    if (!frame.client()) {
        QMessageBox::critical(nullptr, QString::fromLatin1(wordlens::kTitle),
                              QStringLiteral("CreateWindowEx failed"));
        return 1;
    }
    uiDoSplash("", &frame, UI_SW_SHOWNORMAL);

    // Without a log on the command line nothing is opened: File > 解析済みログを開く opens one.
    toolkit::postCommandLineOpen(frame.client(), wordlens::kCmdOpen, argc, argv);
    return QApplication::exec();
}
