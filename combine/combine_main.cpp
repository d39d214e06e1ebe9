// combine: joins access logs, plain or gzip, into one file. The list dialog, then the
// progress dialog. Exit status 0 after a completed run, 1223 after STOP, 1 when the list
// dialog was cancelled or the job failed (a failure is told, never passed off as done).

#include "combine/combine_dialogs.h"
#include "dialogs/look.h"
#include "dialogs/ui.h"
#include "platform/large_pages.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("combine"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    ui::applyLook();

    combine::ListDialog list;
    if (list.exec() != QDialog::Accepted)
        return 1;
    const std::vector<std::string> inputs = list.inputs();
    const std::string output = list.output();
    auto name = [](const std::string& path) {
        return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
    };
    combine::ProgressDialog progress(
        QStringLiteral("ファイルの結合"),
        [&](combine::Progress& p) { return combine::combineFiles(inputs, output, p); },
        [&](int current) {
            if (current < 0 || current >= static_cast<int>(inputs.size()))
                return QStringLiteral("->");
            return name(inputs[static_cast<std::size_t>(current)]) + QStringLiteral(" -> ") +
                   name(output);
        });
    const int result = progress.run();
    if (result == 1)
        combine::desktop().errorBox(nullptr, QStringLiteral("Combine"),
                                    QStringLiteral("結合できませんでした。\n") +
                                        combine::failureText(progress.outcome()));
    return result;
}
