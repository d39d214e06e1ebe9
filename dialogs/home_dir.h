#pragma once

// The data-folder dialog behind uiMakeHomeDir.

class QWidget;

namespace ui {

int makeHomeDir(QWidget* owner, bool askOnlyIfMissing);

} // namespace ui
