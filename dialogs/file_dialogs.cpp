#include "dialogs/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QTreeView>

namespace ui {
namespace {

// Wide enough for a log's name, its size, type and date side by side.
constexpr QSize kDialogSize(820, 500);

// Qt's Japanese texts lack the type of a folder; the other types come from the system's
// file-type names, which are Japanese already.
class FolderTypeNames final : public QFileIconProvider
{
  public:
    QString type(const QFileInfo& info) const override
    {
        return info.isDir() && !info.isRoot() ? QStringLiteral("フォルダ")
                                              : QFileIconProvider::type(info);
    }
};

// Keeps the provider as long as the dialog that uses it.
class ProviderHolder final : public QObject
{
  public:
    explicit ProviderHolder(QObject* owner) : QObject(owner) {}
    FolderTypeNames provider;
};

} // namespace

QString expandHome(const QString& typed)
{
    if (typed == QLatin1String("~"))
        return QDir::homePath();
    if (typed.startsWith(QLatin1String("~/")))
        return QDir::homePath() + typed.mid(1);
    return typed;
}

void fitFileDialog(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.setIconProvider(&(new ProviderHolder(&dialog))->provider);
    QSize size = kDialogSize.expandedTo(dialog.sizeHint());
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    dialog.resize(size);
    // The dialog restores the column widths of its last use; contents decide here, and
    // the date column takes what is left.
    if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = tree->header();
        header->setStretchLastSection(true);
        for (int column = 0; column < header->count() - 1; ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}

QString pickFolder(QWidget* parent, const QString& title, const QString& start)
{
    QFileDialog picker(parent, title, start);
    picker.setFileMode(QFileDialog::Directory);
    picker.setOption(QFileDialog::ShowDirsOnly);
    fitFileDialog(picker);
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
    fitFileDialog(picker);
    if (picker.exec() != QDialog::Accepted)
        return {};
    return picker.selectedFiles();
}

} // namespace ui
