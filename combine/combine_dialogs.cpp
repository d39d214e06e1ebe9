#include "combine/combine_dialogs.h"

#include "toolkit/qt_glue.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstring>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace combine {
namespace {

QString fromNative(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string toNative(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

Desktop makeDesktop()
{
    Desktop d;
    d.pickInputs = [](QWidget* owner) {
        QFileDialog dialog(owner, QStringLiteral("ファイルの追加"));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilters({QStringLiteral("Log Files(*.log;*.log.gz;) (*.log *.log.gz)"),
                               QStringLiteral("GZ Log Files(*.log.gz) (*.log.gz)"),
                               QStringLiteral("Plain Log Files(*.log) (*.log)"),
                               QStringLiteral("Text Files(*.txt) (*.txt)"),
                               QStringLiteral("GZ Files(*.gz) (*.gz)"),
                               QStringLiteral("All Files(*.*) (*)")});
        dialog.resize(760, 480);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };
    d.pickOutput = [](QWidget* owner) {
        QFileDialog dialog(owner, QStringLiteral("結合したファイルの保存"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(
            {QStringLiteral("Log Files(*.log;*.gz;*.log.gz;) (*.log *.gz *.log.gz)"),
             QStringLiteral("GZ Log Files(*.log.gz) (*.log.gz)"),
             QStringLiteral("Plain Log Files(*.log) (*.log)"),
             QStringLiteral("Text Files(*.txt) (*.txt)"), QStringLiteral("GZ Files(*.gz) (*.gz)"),
             QStringLiteral("All Files(*.*) (*)")});
        dialog.setDefaultSuffix(QStringLiteral("log.gz"));
        dialog.resize(760, 480);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().front()
                   : QString();
    };
    d.errorBox = [](QWidget* owner, const QString& caption, const QString& text) {
        QMessageBox::critical(owner, caption, text);
    };
    return d;
}

enum ButtonId { kSave = 1, kAdd = 1001, kRemove = 1007, kUp = 1018, kDown = 1019, kCancel = 2 };

} // namespace

Desktop& desktop()
{
    static Desktop d = makeDesktop();
    return d;
}

void lowestPriority()
{
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 19);
}

QString failureText(const Outcome& o)
{
    QString text = QString::fromUtf8(o.what.c_str());
    if (!o.path.empty())
        text += QStringLiteral("\n%1").arg(fromNative(o.path));
    if (o.code && o.code != kCancelled)
        text += QStringLiteral("\n(%1)").arg(QString::fromLocal8Bit(std::strerror(o.code)));
    return text;
}

// ---- The list dialog ------------------------------------------------------------------

ListDialog::ListDialog(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("ファイルの結合"));
    resize(560, 380);
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    m_table = new QTableWidget(0, 2, this);
    m_table->setObjectName(QStringLiteral("1000"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("FileName"), QStringLiteral("Size")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(true);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->horizontalHeader()->resizeSection(1, 66);
    m_table->horizontalHeader()->setSectionsClickable(true);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_sortDescending = column == m_sortColumn ? !m_sortDescending : false;
        m_sortColumn = column;
        std::vector<std::string> selected;
        for (int r : selectedRows())
            selected.push_back(m_list.paths()[static_cast<std::size_t>(r)]);
        m_list.sort(column, m_sortDescending);
        std::vector<int> rows;
        for (const std::string& s : selected)
            rows.push_back(
                static_cast<int>(std::find(m_list.paths().begin(), m_list.paths().end(), s) -
                                 m_list.paths().begin()));
        refill(rows);
    });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &ListDialog::updateState);
    left->addWidget(m_table, 1);
    auto* sums = new QGridLayout;
    auto* countLabel = new QLabel(QStringLiteral("[ファイル数]"), this);
    m_count = new QLineEdit(this);
    m_count->setObjectName(QStringLiteral("1009"));
    m_count->setReadOnly(true);
    m_count->setAlignment(Qt::AlignRight);
    auto* totalLabel = new QLabel(QStringLiteral("[ 合計サイズ ]"), this);
    m_total = new QLineEdit(this);
    m_total->setObjectName(QStringLiteral("1008"));
    m_total->setReadOnly(true);
    m_total->setAlignment(Qt::AlignRight);
    sums->addWidget(countLabel, 0, 0);
    sums->addWidget(m_count, 0, 1);
    sums->addWidget(totalLabel, 0, 2);
    sums->addWidget(m_total, 0, 3);
    left->addLayout(sums);
    layout->addLayout(left, 1);

    auto* buttons = new QVBoxLayout;
    auto make = [&](int id, const QString& text, auto slot) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::number(id));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    make(kAdd, QStringLiteral("追加(&A)..."), [this] { addFiles(desktop().pickInputs(this)); });
    make(kRemove, QStringLiteral("除外(&R)"), [this] { removeSelected(); });
    buttons->addSpacing(12);
    make(kUp, QStringLiteral("上へ(&U)"), [this] { moveUp(); });
    make(kDown, QStringLiteral("下へ(&D)"), [this] { moveDown(); });
    buttons->addStretch(1);
    make(kSave, QStringLiteral("保存(&C)..."), [this] { save(); })->setDefault(true);
    // Escape cancels; "&C" is Save's.
    make(kCancel, QStringLiteral("Cancel"), [this] { reject(); });
    layout->addLayout(buttons);
    updateState();
}

QPushButton* ListDialog::button(int id) const
{
    return findChild<QPushButton*>(QString::number(id));
}

void ListDialog::addFiles(const QStringList& files)
{
    QStringList sorted = files;
    sorted.sort();
    bool added = false;
    for (const QString& f : sorted)
        added = m_list.add(toNative(QFileInfo(f).absoluteFilePath())) || added;
    if (added)
        m_sortColumn = -1;
    refill(selectedRows());
}

void ListDialog::removeSelected()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty())
        return;
    m_list.remove(rows);
    refill({});
}

void ListDialog::moveUp()
{
    refill(m_list.moveUp(selectedRows()));
}

void ListDialog::moveDown()
{
    refill(m_list.moveDown(selectedRows()));
}

void ListDialog::save()
{
    if (m_list.paths().empty())
        return;
    const QString chosen = desktop().pickOutput(this);
    if (chosen.isEmpty())
        return;
    const std::string output = toNative(QFileInfo(chosen).absoluteFilePath());
    if (m_list.holds(output)) {
        desktop().errorBox(this, QStringLiteral("Combine"),
                           QStringLiteral("結合ファイルに出力ファイルを含むことはできません"));
        return;
    }
    m_output = output;
    accept();
}

void ListDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        removeSelected();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ListDialog::refill(const std::vector<int>& select)
{
    const QSignalBlocker block(m_table);
    m_table->setRowCount(static_cast<int>(m_list.paths().size()));
    for (std::size_t i = 0; i < m_list.paths().size(); ++i) {
        const QString path = fromNative(m_list.paths()[i]);
        auto* name = new QTableWidgetItem(QFileInfo(path).fileName());
        name->setToolTip(path);
        auto* size =
            new QTableWidgetItem(QString::fromStdString(sizeText(fileSize(m_list.paths()[i]))));
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(static_cast<int>(i), 0, name);
        m_table->setItem(static_cast<int>(i), 1, size);
    }
    m_table->clearSelection();
    for (int r : select)
        if (r >= 0 && r < m_table->rowCount())
            m_table->selectRow(r);
    // selectRow in extended mode replaces the selection: select each row additively.
    if (select.size() > 1) {
        m_table->clearSelection();
        for (int r : select)
            if (r >= 0 && r < m_table->rowCount())
                for (int c = 0; c < 2; ++c)
                    m_table->item(r, c)->setSelected(true);
    }
    if (!select.empty() && select.front() >= 0 && select.front() < m_table->rowCount())
        m_table->setCurrentCell(select.front(), 0, QItemSelectionModel::NoUpdate);
    updateState();
}

std::vector<int> ListDialog::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ListDialog::updateState()
{
    m_count->setText(QString::number(m_list.paths().size()));
    m_total->setText(QString::fromStdString(sizeText(m_list.totalSize())));
    const std::vector<int> rows = selectedRows();
    button(kSave)->setEnabled(!m_list.paths().empty());
    button(kRemove)->setEnabled(!rows.empty());
    button(kUp)->setEnabled(FileList::canMoveUp(m_list.paths().size(), rows));
    button(kDown)->setEnabled(FileList::canMoveDown(m_list.paths().size(), rows));
}

// ---- The progress dialog --------------------------------------------------------------

ProgressDialog::ProgressDialog(const QString& title, Job job, Label label, QWidget* owner)
    : QDialog(owner), m_job(std::move(job)), m_label(std::move(label))
{
    setWindowTitle(title);
    setMinimumWidth(460);
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(QStringLiteral("->"), this);
    m_text->setObjectName(QStringLiteral("1004"));
    m_text->setTextFormat(Qt::PlainText);
    layout->addWidget(m_text);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("1011"));
    m_bar->setRange(0, 10000);
    m_bar->setTextVisible(false);
    layout->addWidget(m_bar);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("残り時間"), this));
    m_remaining = new QLabel(QStringLiteral("--:--"), this);
    m_remaining->setObjectName(QStringLiteral("1012"));
    row->addWidget(m_remaining);
    row->addStretch(1);
    auto* stopButton = new QPushButton(QStringLiteral("&STOP"), this);
    connect(stopButton, &QPushButton::clicked, this, &ProgressDialog::stop);
    row->addWidget(stopButton);
    layout->addLayout(row);
    m_poll = new QTimer(this);
    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, &ProgressDialog::tick);
}

ProgressDialog::~ProgressDialog()
{
    m_progress.running = false;
    if (m_worker.joinable())
        m_worker.join();
}

int ProgressDialog::run()
{
    m_started = QDateTime::currentMSecsSinceEpoch();
    m_worker = std::thread([this] {
        lowestPriority();
        m_outcome = m_job(m_progress);
        m_finished = true;
    });
    m_poll->start();
    const int result = exec();
    m_poll->stop();
    if (m_worker.joinable())
        m_worker.join();
    if (result == kCancelled || m_outcome.code == kCancelled)
        return kCancelled;
    return m_outcome.ok() ? 0 : 1;
}

void ProgressDialog::tick()
{
    const std::uint64_t total = m_progress.total, copied = m_progress.done;
    const int position =
        total ? static_cast<int>(std::min<std::uint64_t>(10000, copied * 10000 / total)) : 0;
    m_bar->setValue(position);
    if (m_label)
        m_text->setText(m_label(m_progress.current));
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - m_started;
    // The estimate changes once a second.
    if (elapsed / 1000 != m_lastEstimate) {
        m_lastEstimate = elapsed / 1000;
        m_remaining->setText(QString::fromStdString(
            remainingText(static_cast<std::uint64_t>(elapsed), position / 10000.0)));
    }
    if (m_finished)
        done(0);
}

void ProgressDialog::stop()
{
    m_progress.running = false;
    done(kCancelled);
}

} // namespace combine
