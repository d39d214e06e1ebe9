// crunchbox: compresses ("gzip") or decompresses ("ungzip") the files the user picks, each
// next to itself, with a progress dialog. An existing output is replaced only when the user
// says so; an input is removed only once its output was written whole. Exit status 0 when
// every file was done, 1223 after STOP, 1 when nothing was chosen or a file failed, 2 for a
// wrong command line.

#include "combine/combine_dialogs.h"
#include "dialogs/look.h"
#include "dialogs/ui.h"
#include "platform/large_pages.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <cstring>

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("crunchbox"));
    QApplication::setOrganizationName(QStringLiteral("Orvane"));
    ui::applyLook();

    const bool compress = argc > 1 && std::strcmp(argv[1], "gzip") == 0;
    if (argc != 2 || (!compress && std::strcmp(argv[1], "ungzip") != 0)) {
        QMessageBox::critical(nullptr, QStringLiteral("crunchbox"),
                              QStringLiteral("使い方: crunchbox gzip | ungzip"));
        return 2;
    }
    const QString title =
        compress ? QStringLiteral("ログ・ファイルの圧縮") : QStringLiteral("ログ・ファイルの解凍");
    QFileDialog dialog(nullptr, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(compress ? QStringList{QStringLiteral("Log Files(*.log) (*.log)"),
                                                 QStringLiteral("All Files(*.*) (*)")}
                                   : QStringList{QStringLiteral("GZ Files(*.gz) (*.gz *.GZ)"),
                                                 QStringLiteral("All Files(*.*) (*)")});
    dialog.resize(760, 480);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return 1;

    // Which files, and whether each may replace what is already there.
    struct Item
    {
        std::string path;
        bool overwrite = false;
    };
    std::vector<Item> items;
    for (const QString& file : dialog.selectedFiles()) {
        const std::string path =
            QFile::encodeName(QFileInfo(file).absoluteFilePath()).toStdString();
        const std::string target = compress ? combine::gzipName(path) : combine::gunzipName(path);
        if (target.empty()) {
            QMessageBox::warning(
                nullptr, title,
                QStringLiteral("名前が .gz で終わっていないため解凍しません。\n%1").arg(file));
            continue;
        }
        bool overwrite = false;
        if (QFileInfo::exists(QFile::decodeName(QByteArray::fromStdString(target)))) {
            const auto answer = QMessageBox::question(
                nullptr, title,
                QStringLiteral("%1 はすでにあります。上書きしますか？")
                    .arg(QFile::decodeName(QByteArray::fromStdString(target))),
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No);
            if (answer == QMessageBox::Cancel)
                return combine::kCancelled;
            if (answer == QMessageBox::No)
                continue;
            overwrite = true;
        }
        items.push_back({path, overwrite});
    }
    if (items.empty())
        return 1;

    std::vector<combine::Outcome> failures;
    combine::ProgressDialog progress(
        title,
        [&](combine::Progress& p) {
            for (std::size_t i = 0; i < items.size() && p.running; ++i) {
                p.current = static_cast<int>(i);
                combine::Outcome o =
                    compress ? combine::gzipFile(items[i].path, items[i].overwrite, p)
                             : combine::gunzipFile(items[i].path, items[i].overwrite, p);
                if (o.code == combine::kCancelled)
                    return o;
                if (!o.ok())
                    failures.push_back(o);
            }
            return failures.empty() ? combine::Outcome{} : failures.front();
        },
        [&](int current) {
            if (current < 0 || current >= static_cast<int>(items.size()))
                return QStringLiteral("->");
            const std::string& path = items[static_cast<std::size_t>(current)].path;
            const std::string target =
                compress ? combine::gzipName(path) : combine::gunzipName(path);
            return QStringLiteral("%1 -> %2 (%3/%4)")
                .arg(QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName(),
                     QFileInfo(QFile::decodeName(QByteArray::fromStdString(target))).fileName())
                .arg(current + 1)
                .arg(items.size());
        });
    const int result = progress.run();
    if (result == 1) {
        QStringList lines;
        for (const combine::Outcome& o : failures)
            lines << combine::failureText(o);
        QMessageBox::critical(nullptr, title,
                              QStringLiteral("次のファイルを処理できませんでした:\n\n") +
                                  lines.join(QStringLiteral("\n\n")));
    }
    return result;
}
