#include "toolkit/qt_glue.h"

#include "platform/codepage.h"
#include "toolkit/window.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QTreeView>
#include <filesystem>

namespace toolkit {
namespace {

// Wide enough for a file's name, its size, type and date side by side.
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

QString fromCp932(std::string_view text)
{
    return QString::fromStdU16String(platform::cp932ToUtf16(text));
}

QString fromCp932(const char* text)
{
    return text ? fromCp932(std::string_view(text)) : QString();
}

QPixmap blankPixmap(QSize size, qreal ratio)
{
    if (ratio <= 0)
        ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
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

std::string askFileName(QWidget* owner, FileDialogKind kind, const QString& nameFilter,
                        const QString& defaultSuffix)
{
    QFileDialog dialog(owner);
    dialog.setNameFilter(nameFilter);
    if (kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    fitFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportException(std::current_exception());
        return false;
    }
}

WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}

QAction* addMenuCommand(QMenu* menu, const QString& text, Window* client, int id,
                        const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(text);
    action->setData(id);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, menu, [client, id] { command(client, id); });
    return action;
}

void postCommandLineOpen(Window* window, int openCommand, int argc, char** argv)
{
    static std::string path; // lives as long as the program: the message carries its address
    if (argc < 2 || !*argv[1])
        return;
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(argv[1], ec);
    path = ec ? std::string(argv[1]) : absolute.string();
    post(window, WM_COMMAND, static_cast<WParam>(openCommand),
         reinterpret_cast<LParam>(path.c_str()));
}

} // namespace toolkit
