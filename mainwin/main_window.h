#pragma once

// The main window of Vexilo. The frame (MainFrame, a QMainWindow) holds the title, the
// menu bar and the icon; its client area is the window "Vexilo WC_MAIN", whose direct
// children are every pane, found by id: the status bar 2003, the add-filter toolbar 2004,
// the store window 2009, the period pane 2010, the splitter 2011, the filter panes 2100 +
// position and the view panes 2200 + position. The client's handler turns menu commands
// and accelerators into actions, relays the store's messages to the panes, lays the panes
// out and draws the status bar.

#include "toolkit/window.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <string>

class QMenu;

namespace mainwin {

inline constexpr char kMainClass[] = "Vexilo WC_MAIN";
inline constexpr char kStatusBarClass[] = "msctls_statusbar32";

// Command ids of the menus and accelerators.
enum Command : int {
    kCmdReload = 1,
    kCmdHelp = 9,
    kCmdRebuildChain = toolkit::ID_REBUILD_CHAIN,
    kCmdAddFilterMenu = 2014,
    kCmdRefresh = toolkit::ID_REFRESH,
    kCmdAddLogs = 40007,
    kCmdSettingsFolder = 40008,
    kCmdHomePage = 40012,
    kCmdPrintManual = 40013,
    kCmdUrlGroups = 40023,
    kCmdQueryDecoder = 40022,
    kCmdCompress = 40032,
    kCmdDecompress = 40033,
    kCmdDataFolder = 40036,
    kCmdCombine = 40042,
    kCmdDefaultChain = 40050, // the chain the program starts with, for the open log too
    kCmdQuit = 40051,         // before the window goes: 1 when it may, 0 when the user said no
    kCmdNewAnalysis = toolkit::ID_NEW_ANALYSIS,
    kCmdOpen = toolkit::ID_OPEN_LOG,
    kCmdClose = 57602,
    kCmdSaveAs = 57603,            // to the store
    kCmdSave = toolkit::ID_EXPORT, // the same id as the lists' export
    kCmdSelectAll = toolkit::ID_EDIT_SELECT_ALL,
    kCmdAbout = 57664,
    kCmdExit = 57665,
};

// What the main window asks of the desktop; tests put recorders in.
struct Desktop
{
    // The analysis wizard (uiRunWizAna).
    std::function<int(QWidget* owner, char* path, std::size_t size, const char* config)> runWizard;
    // The data-folder dialog (uiMakeHomeDir); its result is the command's.
    std::function<int(QWidget* owner, bool askOnlyIfMissing)> makeHomeDir;
    // The about box (uiDoSplash with no window).
    std::function<void()> about;
    // A file or folder opened with the desktop's program for it; false when that failed.
    std::function<bool(const std::string& path)> openPath;
    // A page of the manual shown in the program's own manual window (when the desktop has
    // nothing to show HTML with).
    std::function<void(QWidget* owner, const std::string& page)> showManual;
    // A web address opened in the browser.
    std::function<bool(const QString& url)> openUrl;
    // A program started without waiting for it; false when it could not start.
    std::function<bool(const std::string& program, const QStringList& arguments)> startProgram;
    // The file dialogs; "" when cancelled.
    std::function<std::string(QWidget* owner)> openFileName;
    std::function<std::string(QWidget* owner)> saveFileName;
    // Whether to save a temporary analysed log before it goes: QMessageBox::Yes (save),
    // No (let it go) or Cancel (keep it open and stop).
    std::function<int(QWidget* owner)> askToSave;
};

// The desktop of a running program: the shared dialogs library, QDesktopServices,
// QProcess and the file dialogs.
Desktop realDesktop();

// The desktop the main windows made from now on use.
void setDesktop(Desktop desktop);

// Registers "Vexilo WC_MAIN" and the status bar class.
void registerMainWindow();

// The top-level frame around the main window.
class MainFrame : public QMainWindow
{
    Q_OBJECT

  public:
    MainFrame();
    ~MainFrame() override;

    // The client: the window "Vexilo WC_MAIN" (null when its creation failed).
    toolkit::Window* mainWindow() const { return m_main; }
    QMenu* viewMenu() const { return m_viewMenu; }
    QMenu* filterMenu() const { return m_filterMenu; }
    QMenu* mainViewMenu() const { return m_mainViewMenu; }

    // Grays and enables the menu entries as the state of the windows says.
    void updateMenuState();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenus();
    // Moves the focus from the pane holding `from` to the next pane (or the one before):
    // to its list, else its first control that takes the focus. False when `from` is in no
    // pane.
    bool focusNextPane(QWidget* from, bool backwards);
    QAction* addCommand(QMenu* menu, const QString& text, int command,
                        const QKeySequence& shortcut = {});

    QPointer<toolkit::Window> m_main;
    QPointer<QWidget> m_escapePressedIn; // the list Escape went down in
    const QEvent* m_escapeEvent = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_filterMenu = nullptr;
    QMenu* m_mainViewMenu = nullptr;
};

} // namespace mainwin
