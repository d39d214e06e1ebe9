#include "dialogs/folder_picker.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace ui {

QString pickFolder(QWidget* parent, const QString& title, const QString& start)
{
    QFileDialog picker(parent, title, start);
    picker.setFileMode(QFileDialog::Directory);
    picker.setOption(QFileDialog::ShowDirsOnly);
    picker.setOption(QFileDialog::DontUseNativeDialog);
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

} // namespace ui
