#pragma once

// The dialogs of combine and crunchbox: the list of files to join and the progress dialog
// that runs a copying job on a worker thread at the lowest priority, with the remaining time.

#include "combine/combine_job.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <thread>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace combine {

// What the dialogs ask the desktop; tests replace it.
struct Desktop
{
    std::function<QStringList(QWidget*)> pickInputs;
    std::function<QString(QWidget*)> pickOutput;
    std::function<void(QWidget*, const QString& caption, const QString& text)> errorBox;
};
Desktop& desktop();

// The list dialog ("ファイルの結合"); accepted with Save.
class ListDialog : public QDialog
{
    Q_OBJECT

  public:
    explicit ListDialog(QWidget* owner = nullptr);
    const std::vector<std::string>& inputs() const { return m_list.paths(); }
    const std::string& output() const { return m_output; }
    // What the buttons do, for tests and the keys.
    void addFiles(const QStringList& files);
    void removeSelected();
    void moveUp();
    void moveDown();
    void save();
    QTableWidget* table() const { return m_table; }
    QPushButton* button(int id) const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void refill(const std::vector<int>& select);
    std::vector<int> selectedRows() const;
    void updateState();

    FileList m_list;
    std::string m_output;
    QTableWidget* m_table = nullptr;
    QLineEdit* m_count = nullptr;
    QLineEdit* m_total = nullptr;
    int m_sortColumn = -1;
    bool m_sortDescending = false;
};

// Runs job on a worker thread behind the dialog; exec() returns 0 when it ended well,
// kCancelled after STOP, 1 after a failure (outcome() says which).
class ProgressDialog : public QDialog
{
    Q_OBJECT

  public:
    using Job = std::function<Outcome(Progress&)>;
    using Label = std::function<QString(int current)>;
    ProgressDialog(const QString& title, Job job, Label label, QWidget* owner = nullptr);
    ~ProgressDialog() override;
    int run();
    const Outcome& outcome() const { return m_outcome; }
    Progress& progress() { return m_progress; }

  private:
    void tick();
    void stop();

    Job m_job;
    Label m_label;
    Progress m_progress;
    Outcome m_outcome;
    std::thread m_worker;
    std::atomic<bool> m_finished{false};
    QLabel* m_text = nullptr;
    QLabel* m_remaining = nullptr;
    QProgressBar* m_bar = nullptr;
    QTimer* m_poll = nullptr;
    qint64 m_started = 0;
    qint64 m_lastEstimate = -1;
};

// Drops the calling thread to the lowest scheduling priority (nice 19).
void lowestPriority();

// The failure as a message: what, then the file.
QString failureText(const Outcome& outcome);

} // namespace combine
