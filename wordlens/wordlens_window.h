#pragma once

// Wordlens' windows: the frame with its menus, the client "Vexilo Wordlens WC_MAIN" that
// holds the open log and watches the rule files, the referer pane "WC_VIEW1" and the query
// pane "WC_VIEW2".

#include "toolkit/window.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <string>

class QLabel;

namespace store {
class LogContainer;
}

namespace wordlens {

inline constexpr char kMainClass[] = "Vexilo Wordlens WC_MAIN";
inline constexpr char kTitle[] = "Vexilo Wordlens";

inline constexpr int kIdRefererPane = 2014;
inline constexpr int kIdQueryPane = 2016;
inline constexpr int kIdSeparator = 2012;
inline constexpr int kIdProblems = 2018;

inline constexpr int kCmdNewAnalysis = 57600;
inline constexpr int kCmdAddLog = 40007;
inline constexpr int kCmdOpen = 57601;
inline constexpr int kCmdSave = 57604;
inline constexpr int kCmdClose = 57602;
inline constexpr int kCmdExit = 57665;
inline constexpr int kCmdRefresh = 40001;
inline constexpr int kCmdWordRules = 40002;
inline constexpr int kCmdRankRules = 40005;
inline constexpr int kCmdNameRules = 40006;
inline constexpr int kCmdSettingsFolder = 40008;
inline constexpr int kCmdHelp = 9;
inline constexpr int kCmdAbout = 57664;
inline constexpr int kCmdExport = 40010; // a pane's "ファイルにエクスポート"
inline constexpr int kCmdSelectAll = 57642;

// What the program asks the desktop and the user; tests replace it.
struct Desktop
{
    std::function<std::string(QWidget*)> openLogName;
    std::function<std::string(QWidget*)> saveLogName;
    std::function<std::string(QWidget*)> exportName;
    std::function<int(QWidget*, char* path, std::size_t size, const char* config)> runWizard;
    std::function<void(QWidget*, const QString& caption, const QString& text)> errorBox;
    // An analysis the wizard made and nobody saved: QMessageBox::Yes, No or Cancel.
    std::function<int(QWidget*)> askToSave;
    std::function<bool(const QString& url)> openUrl;
    std::function<bool(const std::string& path)> openPath;
};
Desktop& desktop();

void registerWordlensWindows();

class WordlensFrame : public QMainWindow
{
    Q_OBJECT

  public:
    WordlensFrame();
    ~WordlensFrame() override;
    toolkit::Window* client() const { return m_client; }
    void updateMenuState();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QPointer<toolkit::Window> m_client;
};

// For tests: the open log (null when none), the lists' export texts and the problem strip.
store::LogContainer* logOf(toolkit::Window* client);
std::string exportText(toolkit::Window* client, int paneId);
QLabel* problemStrip(toolkit::Window* client);

} // namespace wordlens
