#pragma once

// The shared dialogs library (libui.so): the analysis wizard, the Loading dialog that
// runs a long job on a worker thread, the data-folder dialog and the start-up splash.
// Windows are QWidgets; texts are UTF-8, paths native byte strings.

#include <atomic>
#include <cstddef>

class QWidget;

#if defined(UI_BUILD)
#define UI_API __attribute__((visibility("default")))
#else
#define UI_API
#endif

// Loads Qt's own Japanese translations (qtbase_ja) into the running QApplication, so that
// file dialogs, message-box buttons and context menus are Japanese like the rest of the
// program, and makes Japanese the default locale. Every program calls it right after
// creating its QApplication; the functions below call it too. Returns true when the
// translations are in place, false when Qt's translation file is missing.
UI_API bool uiLoadQtTranslations();

// The Loading dialog's step text (its control 9). The job may set it from its thread.
class UiLabel
{
  public:
    virtual void setText(const char* utf8) = 0;

  protected:
    ~UiLabel() = default;
};

// A job run by uiAsyncOpen on its worker thread. It raises *progress from 0 to 1 and
// should return soon once it sees a negative value (the user pressed STOP).
using UiJob = int (*)(UiLabel* label, std::atomic<float>* progress, void* context);

// Runs job(label, &progress, context) on a worker thread behind the modal "Loading"
// dialog. Returns the job's result; 1223 when the user pressed STOP (only after the job
// has returned); the system error when the worker could not be started.
UI_API int uiAsyncOpen(QWidget* owner, UiJob job, void* context);

// Makes sure the data folder exists and is registered as HomeDir. With askOnlyIfMissing
// and a registered folder that exists, nothing is shown. 0 when a data folder is
// registered and exists, 1 when the user cancelled.
UI_API int uiMakeHomeDir(QWidget* owner, bool askOnlyIfMissing);

// Show commands for the main window.
inline constexpr int UI_SW_HIDE = 0;
inline constexpr int UI_SW_SHOWNORMAL = 1;
inline constexpr int UI_SW_SHOWMINIMIZED = 2;
inline constexpr int UI_SW_SHOWMAXIMIZED = 3;
inline constexpr int UI_SW_SHOW = 5;

// Shows the fading splash with `text` (may be empty or null) under the version line and
// returns at once; mainWindow is shown with showCommand when the fade ends. 0 while the
// splash exists, 1 when it could not be made (the main window is then shown at once).
UI_API int uiDoSplash(const char* text, QWidget* mainWindow, int showCommand);

// The analysis wizard. On entry path holds the analysed log to extend, or "" for a new
// analysis; `config` is the configuration file (conf.ini). Returns 1 with the path of
// the new analysed log (a temporary file the caller then owns) in path, else 0.
UI_API int uiRunWizAna(QWidget* owner, char* path, std::size_t size, const char* config);
