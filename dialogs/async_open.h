#pragma once

// The Loading dialog behind uiAsyncOpen, and the one seam tests need: how the worker
// thread is started.

#include "dialogs/ui.h"

#include <functional>
#include <thread>

namespace ui {

// Starts `body` on `thread`; 0, or the system error when no thread could be started.
using ThreadStarter = int (*)(std::thread& thread, std::function<void()> body);
// nullptr restores the default (std::thread, one step below normal priority).
void setThreadStarter(ThreadStarter starter);

int asyncOpen(QWidget* owner, UiJob job, void* context);

} // namespace ui
