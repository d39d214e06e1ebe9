// The exported functions of libui.so.

#include "dialogs/ui.h"

#include "dialogs/async_open.h"
#include "dialogs/home_dir.h"
#include "dialogs/qt_translations.h"
#include "dialogs/run_wizard.h"
#include "dialogs/splash.h"
#include "platform/errors.h"

#include <new>

namespace {

// The boundary of the library: no exception leaves an export; its code is the result.
template <typename F> int guarded(F body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return platform::kErrNotEnoughMemory;
    } catch (...) {
        return platform::kErrGenFailure;
    }
}

} // namespace

UI_API bool uiLoadQtTranslations()
{
    return guarded([] { return ui::loadQtTranslations() ? 1 : 0; }) == 1;
}

UI_API int uiAsyncOpen(QWidget* owner, UiJob job, void* context)
{
    return guarded([&] {
        ui::loadQtTranslations();
        return ui::asyncOpen(owner, job, context);
    });
}

UI_API int uiMakeHomeDir(QWidget* owner, bool askOnlyIfMissing)
{
    return guarded([&] {
        ui::loadQtTranslations();
        return ui::makeHomeDir(owner, askOnlyIfMissing);
    });
}

UI_API int uiDoSplash(const char* text, QWidget* mainWindow, int showCommand)
{
    return guarded([&] {
        ui::loadQtTranslations();
        return ui::doSplash(text, mainWindow, showCommand);
    });
}

UI_API int uiRunWizAna(QWidget* owner, char* path, std::size_t size, const char* config)
{
    return guarded([&] {
        ui::loadQtTranslations();
        return ui::runWizard(owner, path, size, config);
    });
}
