#pragma once

// uiRunWizAna: the wizard, then the import of the chosen files through Sievra behind the
// progress dialog.

#include <cstddef>
#include <string>

class QWidget;

namespace ui {

int runWizard(QWidget* owner, char* path, std::size_t size, const char* config);

// Imports what the scratch file describes into `output` with the progress dialog:
// 0, 1223 when the user stopped it, or the import's error; *errorFile (optional) gets the
// file a failure concerns. Deletes nothing.
int importLogs(QWidget* owner, const std::string& scratch, const std::string& output,
               std::string* errorFile = nullptr);

} // namespace ui
