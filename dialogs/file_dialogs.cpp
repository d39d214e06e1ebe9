#include "dialogs/file_dialogs.h"

#include "toolkit/qt_glue.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QTreeView>

namespace ui {

QString expandHome(const QString& typed)
{
    if (typed == QLatin1String("~"))
        return QDir::homePath();
    if (typed.startsWith(QLatin1String("~/")))
        return QDir::homePath() + typed.mid(1);
    return typed;
}

QString pickFolder(QWidget* parent, const QString& title, const QString& start)
{
    QFileDialog picker(parent, title, start);
    picker.setFileMode(QFileDialog::Directory);
    picker.setOption(QFileDialog::ShowDirsOnly);
    toolkit::fitFileDialog(picker);
    if (picker.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = picker.selectedFiles();
    const QString folder = chosen.isEmpty() ? QString() : chosen.front();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        QMessageBox::critical(parent, QStringLiteral("SHBrowseForFolder"),
                              QStringLiteral("Invalid Path"));
        return {};
    }
    return folder;
}

QStringList logFileFilters()
{
    // Each entry is shown up to its own pattern list; the one Qt reads follows in the
    // second pair of parentheses.
    return {
        QStringLiteral("Log Files(*.log;*.gz;*.log.gz;) (*.log *.gz *.log.gz)"),
        QStringLiteral("Rotated Log Files(*.log;*.log.1;*.log.2.gz;*_log) (*.log *.log.[0-9]* "
                       "*.log-[0-9]* *_log *_log.[0-9]* *_log-[0-9]*)"),
        QStringLiteral("GZ Log Files(*.log.gz) (*.log.gz)"),
        QStringLiteral("Plain Log Files(*.log) (*.log)"),
        QStringLiteral("Text Files(*.txt) (*.txt)"),
        QStringLiteral("GZ Files(*.gz) (*.gz)"),
        QStringLiteral("All Files(*.*) (*)"),
    };
}

QStringList pickLogFiles(QWidget* parent, const QString& start)
{
    QFileDialog picker(parent, QString(), start);
    picker.setFileMode(QFileDialog::ExistingFiles);
    picker.setOption(QFileDialog::HideNameFilterDetails);
    picker.setNameFilters(logFileFilters());
    toolkit::fitFileDialog(picker);
    if (picker.exec() != QDialog::Accepted)
        return {};
    return picker.selectedFiles();
}

} // namespace ui
