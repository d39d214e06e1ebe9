// The exported functions of libui.so.

#include "dialogs/ui.h"

#include "dialogs/async_open.h"
#include "dialogs/home_dir.h"
#include "dialogs/qt_translations.h"
#include "dialogs/run_wizard.h"
#include "dialogs/splash.h"

UI_API bool uiLoadQtTranslations()
{
    return ui::loadQtTranslations();
}

UI_API int uiAsyncOpen(QWidget* owner, UiJob job, void* context)
{
    ui::loadQtTranslations();
    return ui::asyncOpen(owner, job, context);
}

UI_API int uiMakeHomeDir(QWidget* owner, bool askOnlyIfMissing)
{
    ui::loadQtTranslations();
    return ui::makeHomeDir(owner, askOnlyIfMissing);
}

UI_API int uiDoSplash(const char* text, QWidget* mainWindow, int showCommand)
{
    ui::loadQtTranslations();
    return ui::doSplash(text, mainWindow, showCommand);
}

UI_API int uiRunWizAna(QWidget* owner, char* path, std::size_t size, const char* config)
{
    ui::loadQtTranslations();
    return ui::runWizard(owner, path, size, config);
}
