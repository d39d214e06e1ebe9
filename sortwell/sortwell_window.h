#pragma once

// Sortwell's windows: the frame with its menus, the client "Vexilo Sortwell WC_MAIN" that
// holds the document, and its panes "WC_VIEW1" (the texts of the mode), "WC_VIEW2" (the
// members of a group) and "WC_VIEW3" (the full referers behind a text).

#include "sortwell/text_table.h"
#include "toolkit/window.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

namespace sortwell {

inline constexpr char kMainClass[] = "Vexilo Sortwell WC_MAIN";
inline constexpr char kTitle[] = "Vexilo Sortwell";

// Window ids.
inline constexpr int kIdToolbar = 2004;
inline constexpr int kIdSeparator = 2012;
inline constexpr int kIdBottomSeparator = 2013;
inline constexpr int kIdLeftPane = 2014;
inline constexpr int kIdRightPane = 2016;
inline constexpr int kIdBottomPane = 2017;
inline constexpr int kIdList = 2000;
inline constexpr int kIdSelector = 2001;
inline constexpr int kIdCounter = 2003;
inline constexpr int kIdBar = 1002;

// Commands.
inline constexpr int kCmdOpen = 57601;
inline constexpr int kCmdClose = 57602;
inline constexpr int kCmdSave = 57603;
inline constexpr int kCmdImport = 10007;
inline constexpr int kCmdExport = 57604;
inline constexpr int kCmdExit = 57665;
inline constexpr int kCmdRemoveAll = 57632;
inline constexpr int kCmdManual = 9;
inline constexpr int kCmdMoveInto = 10002;
inline constexpr int kCmdTakeOut = 10003;
inline constexpr int kCmdNewAndMove = 10009;
inline constexpr int kCmdEditGroup = 1052;
inline constexpr int kCmdSelectAll = 57642;
inline constexpr int kCmdRename = 2010;
inline constexpr int kCmdNewGroup = 2011;
inline constexpr int kCmdSelectPattern = 2009;
inline constexpr int kCmdOpenReferer = 57601; // in the bottom pane's menu

// What the program asks the desktop and the user; tests replace it.
struct Desktop
{
    std::function<std::string(QWidget*)> openLogName;                    // "" cancelled
    std::function<std::string(QWidget*)> importName;                     // "" cancelled
    std::function<std::string(QWidget*, const std::string&)> exportName; // start path
    // QMessageBox::Yes, No or Cancel.
    std::function<int(QWidget*)> askToSave;
    // A group name (CP932), or nothing when cancelled. title "New Group" / "Rename Group".
    std::function<std::optional<std::string>(QWidget*, const QString& title, Mode mode,
                                             const TextTable& table, const std::string& current,
                                             const QPoint& at)>
        askGroupName;
    std::function<void(QWidget*, const QString& text)> errorBox;
    std::function<bool(const QString& url)> openUrl;
    std::function<bool(const std::string& path)> openPath;
};
Desktop& desktop();

void registerSortwellWindows();

// The frame: menus, keys, the save question on close.
class SortwellFrame : public QMainWindow
{
    Q_OBJECT

  public:
    SortwellFrame();
    ~SortwellFrame() override;
    toolkit::Window* client() const { return m_client; }
    void updateMenuState();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<toolkit::Window> m_client;
};

// The document of the client window, for tests.
struct Document
{
    TextTable table;
    Mode mode = Mode::Request;
    std::string logPath;
    std::string groupFile; // the site's group file ("" while no log is open)
    bool modified = false;
};
const Document* documentOf(toolkit::Window* client);

// The name dialog (resource 201): the name and the note its checks give.
class NameDialog;
QDialog* makeNameDialog(QWidget* owner, const QString& title, Mode mode, const TextTable& table,
                        const std::string& current, const std::string& proposed);

} // namespace sortwell
