#include "dialogs/shell.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <mutex>

namespace ui {
namespace {
std::mutex g_lock;
std::function<void(const std::string&)> g_hook;
} // namespace

void openDocument(const std::string& path)
{
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard guard(g_lock);
        hook = g_hook;
    }
    if (hook)
        hook(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
}

void setOpenDocumentHook(std::function<void(const std::string&)> hook)
{
    std::lock_guard guard(g_lock);
    g_hook = std::move(hook);
}

} // namespace ui
