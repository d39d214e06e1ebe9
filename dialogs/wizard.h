#pragma once

// The analysis wizard's pages. The page ids are the pages' numbers:
//   106 welcome (222 when extending an analysed log), 192 search, 193 files, 194 options,
//   196 skipped extensions, 218 directory index, 219 user agent, 108 finish.
// With the standard options (194) the pages 196, 218 and 219 are skipped both ways. The
// pages start from the scratch file and write their results back to it at Finish.
// Controls carry their numbers as object names ("1016", "1044", ...).

#include "dialogs/log_files.h"
#include "dialogs/wizard_settings.h"

#include <QWizard>
#include <QWizardPage>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace ui {

enum WizardPageId {
    kPageWelcome = 106,
    kPageWelcomeAppend = 222,
    kPageSearch = 192,
    kPageFiles = 193,
    kPageOptions = 194,
    kPageSkipExt = 196,
    kPageDirIndex = 218,
    kPageUserAgent = 219,
    kPageFinish = 108,
};

class AnalysisWizard;

class SearchPage : public QWizardPage
{
    Q_OBJECT

  public:
    SearchPage(const AnalyzeSettings& settings, QWidget* parent = nullptr);
    bool wildcard() const;
    bool subfolders() const;
    std::string folder() const;
    std::string pattern() const;

  private:
    void updateEnabled();
    void browse();

    QCheckBox* m_wildcard;
    QLineEdit* m_folder;
    QPushButton* m_browse;
    QCheckBox* m_subfolders;
    QLineEdit* m_pattern;
};

class FilesPage : public QWizardPage
{
    Q_OBJECT

  public:
    FilesPage(AnalysisWizard* wizard);
    ~FilesPage() override;
    void initializePage() override;
    void cleanupPage() override;
    bool isComplete() const override;

    const std::vector<LogFileItem>& items() const { return m_items; }
    FileOrder order() const { return m_order; }

    // The wildcard search of the search page's folder and pattern, on a worker thread; its
    // matches are added when it ends. Next waits for it.
    void runWildcardSearch();
    bool searching() const { return m_worker.joinable(); }
    // Shown and about to start its search (it starts once the page is on the screen), or
    // searching.
    bool searchDue() const { return m_searchDue || searching(); }
    // Stops a running search; what it found so far is dropped.
    void stopSearch();
    // Adds files picked by hand (after asking about files older than the analysed log
    // being extended).
    void addFiles(const QStringList& paths);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void joinSearch();
    void searchEnded(unsigned generation, SearchResult result, const QString& status);
    void showSearchStatus(const QString& text);
    void refresh();
    void fitColumns();
    void pickFiles();
    void removeSelected();
    void columnClicked(int column);

    AnalysisWizard* m_wizard;
    std::vector<LogFileItem> m_items;
    FileOrder m_order;
    QTableWidget* m_list;
    QLabel* m_count;
    QLabel* m_total;
    QPushButton* m_remove;
    QCheckBox* m_clearOnBack;
    QWidget* m_busy;   // shown while the search runs
    QWidget* m_status; // why the search found nothing
    QLabel* m_statusText;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    unsigned m_generation = 0; // results of an older search are dropped
    bool m_searchDue = false;
};

class OptionsPage : public QWizardPage
{
    Q_OBJECT

  public:
    OptionsPage(const AnalyzeSettings& settings, QWidget* parent = nullptr);
    bool standard() const;

  private:
    QRadioButton* m_standard;
    QRadioButton* m_advanced;
};

// Pages 196 and 218: one list of words with a button that restores the default.
class WordListPage : public QWizardPage
{
    Q_OBJECT

  public:
    WordListPage(int id, const QString& value, QWidget* parent = nullptr);
    std::string value() const;

  private:
    QLineEdit* m_edit;
};

class UserAgentPage : public QWizardPage
{
    Q_OBJECT

  public:
    UserAgentPage(const AnalyzeSettings& settings, QWidget* parent = nullptr);
    std::string value() const; // "IENN" or "All"

  private:
    QRadioButton* m_browsers;
    QRadioButton* m_all;
};

class FinishPage : public QWizardPage
{
    Q_OBJECT

  public:
    explicit FinishPage(AnalysisWizard* wizard);
    bool validatePage() override;

  private:
    AnalysisWizard* m_wizard;
};

class AnalysisWizard : public QWizard
{
    Q_OBJECT

  public:
    // appendTime: the last-write time (ns since 1970) of the analysed log being extended,
    // 0 for a new analysis.
    AnalysisWizard(QWidget* owner, std::string scratch, std::int64_t appendTime);

    const std::string& scratchPath() const { return m_scratch; }
    std::int64_t appendTime() const { return m_appendTime; }
    // Files older than the analysed log are offered only when they are to be added whole:
    // with only what the log has not read, a rotated file's rest counts too.
    std::int64_t newerThan() const;
    bool newOnly() const;
    int welcomeId() const { return m_appendTime ? kPageWelcomeAppend : kPageWelcome; }

    SearchPage* searchPage() const { return m_search; }
    FilesPage* filesPage() const { return m_files; }
    OptionsPage* optionsPage() const { return m_options; }

    // The page order, with 196, 218 and 219 left out under the standard options.
    int nextId() const override;

    // Writes the pages' results to the scratch file (Finish).
    void writeResults();

  private:
    std::string m_scratch;
    std::int64_t m_appendTime;
    SearchPage* m_search;
    FilesPage* m_files;
    OptionsPage* m_options;
    WordListPage* m_skipExt;
    WordListPage* m_dirIndex;
    UserAgentPage* m_userAgent;
    QCheckBox* m_newOnly = nullptr; // on the append page
};

// Folder and file-name parts of a FileNamePattern ("/logs/access*.log").
std::pair<std::string, std::string> splitPattern(const std::string& pattern);

} // namespace ui
