// wizard-demo: the shared dialogs on their own. Asks for the data folder when none is
// registered, shows the splash over a small stand-in main window, runs the analysis
// wizard with conf.ini of the data folder and prints the path of the new analysed log.
//
//   wizard-demo [--append FILE.vxlog]
//   wizard-demo --screenshots DIR --logs FOLDER    (pictures of every dialog; see
//                                                   screenshots.sh)

#include "dialogs/ui.h"
#include "platform/large_pages.h"
#include "platform/settings.h"
#include "tools/wizard-demo/screenshots.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage()
{
    std::fputs("usage: wizard-demo [--append FILE.vxlog]\n"
               "       wizard-demo --screenshots DIR --logs FOLDER\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("wizard-demo"));
    QApplication::setApplicationVersion(QStringLiteral(VEXILO_VERSION));
    uiLoadQtTranslations();
    std::string append, shots, logs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--append" && i + 1 < argc)
            append = argv[++i];
        else if (arg == "--screenshots" && i + 1 < argc)
            shots = argv[++i];
        else if (arg == "--logs" && i + 1 < argc)
            logs = argv[++i];
        else
            return usage();
    }
    if (!shots.empty())
        return logs.empty() ? usage() : takeScreenshots(shots, logs);

    if (uiMakeHomeDir(nullptr, true) != 0)
        return 1;

    QWidget main;
    main.setWindowTitle(QStringLiteral("Vexilo - wizard demo"));
    auto* layout = new QVBoxLayout(&main);
    layout->addWidget(new QLabel(
        QStringLiteral("データ保存フォルダ: %1").arg(QString::fromStdString(platform::homeDir())),
        &main));
    main.resize(480, 160);
    uiDoSplash("Wizard demo", &main, UI_SW_SHOW);

    int exitCode = 1;
    QTimer::singleShot(1500, &main, [&] {
        char path[260] = {};
        if (append.size() < sizeof path)
            std::memcpy(path, append.c_str(), append.size() + 1);
        const std::string config = platform::dataFilePath("conf.ini");
        if (uiRunWizAna(&main, path, sizeof path, config.c_str())) {
            std::printf("%s\n", path);
            exitCode = 0;
        }
        std::fflush(stdout);
        QApplication::quit();
    });
    QApplication::exec();
    return exitCode;
}
