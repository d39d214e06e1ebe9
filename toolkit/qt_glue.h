#pragma once

// The small Qt glue every window of the programs needs, in one place: the core's CP932 texts
// as shown text, pictures drawn at the screen's pixel density, the file dialogs as every
// window shows them, the wait cursor, and the layout sizes several windows share.

#include <QApplication>
#include <QKeySequence>
#include <QPixmap>
#include <QString>
#include <string>
#include <string_view>

class QFileDialog;
class QWidget;

class QAction;
class QMenu;

namespace toolkit {

class Window;

// The width of the filter column when the main window opens (the splitter's place).
inline constexpr int kFilterColumnWidth = 332;
// The height of a view's page chooser above its content.
inline constexpr int kChooserHeight = 22;

// CP932 bytes of the core as text; a null text is empty.
QString fromCp932(std::string_view text);
QString fromCp932(const char* text);

// A transparent picture of `size` device-independent pixels, sharp at the screen's pixel
// density (ratio 0: the application's), ready for a QPainter.
QPixmap blankPixmap(QSize size, qreal ratio = 0);

// Qt's own file dialog in its detail view, sized so that no column of the list is cut and
// the columns follow their contents.
void fitFileDialog(QFileDialog& dialog);

// Asks for a file to open (an existing one) or to save (with the overwrite question and the
// default suffix), through a fitted file dialog with one name filter ("Text(*.txt) (*.txt)").
// The chosen path as native bytes; "" when the user cancelled.
enum class FileDialogKind { Open, Save };

// The file named on a program's command line (argv[1], made absolute), posted to window as
// the open command once the event loop runs; nothing without one.
void postCommandLineOpen(Window* window, int openCommand, int argc, char** argv);

// A menu entry that sends the command `id` to `client` (its id kept as the action's data, so
// that menu states can be set by command).
QAction* addMenuCommand(QMenu* menu, const QString& text, Window* client, int id,
                        const QKeySequence& shortcut = {});
std::string askFileName(QWidget* owner, FileDialogKind kind, const QString& nameFilter,
                        const QString& defaultSuffix = {});

// The wait cursor over the whole program while the guard lives.
class WaitCursor
{
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The programs' application object: an exception that escapes an event handler (a widget's
// painting, a slot) is reported like one that escapes a window's handler (reportException),
// and the program goes on.
class Application : public QApplication
{
  public:
    Application(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace toolkit
