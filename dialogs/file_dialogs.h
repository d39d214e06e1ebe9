#pragma once

// The Qt file dialogs the library opens: the folder picker behind the "参照(&R)" buttons
// and the open dialog of the file page's Add button. Both are sized so that no column of
// their file list is cut.

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace ui {

// A path as the user typed it, with "~" and "~/..." standing for the home folder.
QString expandHome(const QString& typed);

// Asks for a folder, starting at start. An empty result means the user cancelled, or
// picked something that is not a folder (then "Invalid Path" was shown).
QString pickFolder(QWidget* parent, const QString& title, const QString& start);

// The name filters of the Add button's open dialog, the default first. Besides the
// classic names they offer the rotated names Linux writes (access.log.1,
// access.log.2.gz, access_log).
QStringList logFileFilters();

// Asks for existing log files, starting in folder start; empty when cancelled.
QStringList pickLogFiles(QWidget* parent, const QString& start);

} // namespace ui
