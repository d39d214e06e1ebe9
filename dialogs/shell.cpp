#include "dialogs/shell.h"

#include "platform/files.h"
#include "platform/settings.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QUrl>
#include <mutex>

namespace ui {
namespace {
std::mutex g_lock;
std::function<void(const std::string&)> g_hook;
} // namespace

bool openDocument(const std::string& path)
{
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard guard(g_lock);
        hook = g_hook;
    }
    if (!hook)
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
    hook(path);
    return true;
}

void openManualPage(QWidget* parent, std::string_view relative)
{
    const std::string path = platform::programPath(relative);
    const QString shown = QDir::cleanPath(QFile::decodeName(path.c_str()));
    if (!platform::fileExists(path)) {
        QMessageBox::information(
            parent, QStringLiteral("Vexilo"),
            QStringLiteral("マニュアルのページが見つかりません。\n\n%1\n\n"
                           "マニュアルがインストールされていない可能性があります。")
                .arg(shown));
        return;
    }
    if (!openDocument(path))
        QMessageBox::warning(parent, QStringLiteral("Vexilo"),
                             QStringLiteral("マニュアルのページを開けません。\n\n%1\n\n"
                                            "HTML を表示するプログラムが見つかりません。")
                                 .arg(shown));
}

void setOpenDocumentHook(std::function<void(const std::string&)> hook)
{
    std::lock_guard guard(g_lock);
    g_hook = std::move(hook);
}

} // namespace ui
