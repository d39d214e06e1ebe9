#include "dialogs/wizard.h"

#include "dialogs/artwork.h"
#include "dialogs/file_dialogs.h"
#include "dialogs/formats.h"
#include "dialogs/hyperlink.h"
#include "dialogs/shell.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
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
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <system_error>

namespace ui {
namespace {

constexpr int kEditLimit = 259;
constexpr char kManualPage[] = "./manual/analyze.html";
// The file list's least column widths: long enough for a usual name and size.
constexpr int kNameWidth = 150;
constexpr int kSizeWidth = 50;

QString fromNative(const std::string& path)
{
    return QFile::decodeName(path.c_str());
}

std::string toNative(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString boxText(const std::string& utf8)
{
    return QString::fromStdString(utf8).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QLineEdit* makeEdit(int id, const QString& text, QWidget* parent)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::number(id));
    edit->setMaxLength(kEditLimit);
    return edit;
}

template <typename Widget> Widget* named(Widget* widget, int id)
{
    widget->setObjectName(QString::number(id));
    return widget;
}

QLabel* wrapped(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

HyperLink* manualLink(const QString& text, QWidget* parent)
{
    auto* link = new HyperLink(1001, text, parent);
    QObject::connect(link, &HyperLink::clicked, parent,
                     [parent] { openManualPage(parent, kManualPage); });
    return link;
}

// Interior pages show their heading in the wizard's header band.
void setHeading(QWizardPage* page, const QString& heading)
{
    page->setTitle(heading);
    page->setSubTitle(QStringLiteral(" "));
}

// The question asked for a hand-picked file that is not newer than the analysed log.
QString olderFileQuestion(const QString& path, std::int64_t appendTime)
{
    // The analysed log's time as the file system keeps it, without a zone applied.
    const platform::DateParts t = platform::dateParts(appendTime / 1000000000);
    char line[96];
    std::snprintf(line, sizeof line, "\t最終更新日 %04d/%02d/%02d %02d:%02d:%02d\r\n", t.year,
                  t.month, t.day, t.hour, t.minute, t.second);
    return path +
           boxText(std::string("\r\n\r\n") + "このファイルは現在の解析済みログ・ファイル\r\n" +
                   line + "よりも最終更新日が古いファイルです。\r\n" + "\r\n" +
                   "このファイルを追加しますか？");
}

// What the file page says when a search found nothing to add; "" when it found files.
QString searchStatusText(const SearchResult& result, const std::string& folder,
                         const std::string& pattern, bool subfolders)
{
    const QString where = fromNative(folder);
    const QString name = fromNative(pattern);
    switch (result.outcome) {
    case SearchOutcome::kFound:
        return QString();
    case SearchOutcome::kNoMatch:
        return (subfolders
                    ? QStringLiteral("フォルダ「%1」とそのサブフォルダには、"
                                     "「%2」に一致するファイルがありません。")
                    : QStringLiteral("フォルダ「%1」には、「%2」に一致するファイルがありません。"))
            .arg(where, name);
    case SearchOutcome::kNoneNewer:
        return QStringLiteral(
                   "「%1」に一致するファイルは、どれも解析済みログより古いため追加しません。")
            .arg(name);
    case SearchOutcome::kNoFolder:
        return QStringLiteral("フォルダ「%1」が見つかりません。検索フォルダ名を確かめてください。")
            .arg(where);
    case SearchOutcome::kNotAFolder:
        return QStringLiteral("「%1」はフォルダではありません。").arg(where);
    case SearchOutcome::kUnreadable:
        return QStringLiteral("フォルダ「%1」を読み込めません。\n%2")
            .arg(where, QString::fromStdString(std::generic_category().message(result.error)));
    case SearchOutcome::kCancelled:
        return QStringLiteral("検索を中止しました。");
    }
    return QString();
}

class WelcomePage : public QWizardPage
{
  public:
    WelcomePage(bool append, const std::string& appendTo, bool newOnly)
    {
        setTitle(QStringLiteral("Sievra Wizard"));
        setPixmap(QWizard::WatermarkPixmap, wizardWatermark());
        auto* layout = new QVBoxLayout(this);
        if (!append) {
            layout->addWidget(wrapped(QStringLiteral("ログファイルの解析を開始します。"), this));
        } else {
            layout->addWidget(wrapped(QStringLiteral("新しいログファイルを追加します。"), this));
            auto* note =
                wrapped(QStringLiteral("追加されるのは、ワイルドカードで検索されたファイルのうち、"
                                       "次の解析済みログファイルよりも新しいファイルです。\n%1")
                            .arg(fromNative(appendTo)),
                        this);
            note->setObjectName(QStringLiteral("note"));
            layout->addSpacing(8);
            layout->addWidget(note);
            m_newOnly = new QCheckBox(QStringLiteral("読んだことのある行は足さない(&R)"), this);
            m_newOnly->setObjectName(QStringLiteral("newOnly"));
            m_newOnly->setChecked(newOnly);
            layout->addSpacing(12);
            layout->addWidget(m_newOnly);
            auto* explain = wrapped(
                QStringLiteral("大きくなり続けるログや、ローテートされたログ (access.log.1、"
                               "access.log.2.gz など) を何度選んでも、まだ読んでいない行だけを"
                               "足します。古いファイルも探します。"),
                this);
            layout->addWidget(explain);
            const auto older = [note](bool on) { note->setVisible(!on); };
            connect(m_newOnly, &QCheckBox::toggled, this, older);
            older(newOnly);
        }
        layout->addStretch();
        layout->addWidget(
            manualLink(QStringLiteral("解析可能なログファイルのフォーマットについて"), this), 0,
            Qt::AlignLeft);
    }

    QCheckBox* newOnlyBox() const { return m_newOnly; }

  protected:
    // The link is the page's only control, but Enter should go on: Next takes the focus
    // (after the wizard has given it to the link), also when the user comes Back here.
    void showEvent(QShowEvent* event) override
    {
        QWizardPage::showEvent(event);
        QTimer::singleShot(0, this, [this] {
            if (wizard() && isVisible())
                wizard()->button(QWizard::NextButton)->setFocus(Qt::OtherFocusReason);
        });
    }

  private:
    QCheckBox* m_newOnly = nullptr;
};

} // namespace

std::pair<std::string, std::string> splitPattern(const std::string& pattern)
{
    const std::size_t slash = pattern.find_last_of('/');
    if (slash == std::string::npos)
        return {std::string(), pattern};
    return {pattern.substr(0, slash == 0 ? 1 : slash), pattern.substr(slash + 1)};
}

SearchPage::SearchPage(const AnalyzeSettings& settings, QWidget* parent) : QWizardPage(parent)
{
    setHeading(this, QStringLiteral("解析するログファイルを指定します。"));
    const auto [folder, name] = splitPattern(settings.fileNamePattern);
    m_wildcard =
        named(new QCheckBox(QStringLiteral("ワイルドカードを使用してログファイルを列挙する"), this),
              1016);
    m_wildcard->setChecked(settings.flags & kFlagWildcard);
    m_folder = makeEdit(1004, fromNative(folder), this);
    m_browse = named(new QPushButton(QStringLiteral("参照(&R)"), this), 1006);
    m_subfolders =
        named(new QCheckBox(QStringLiteral("すべてのサブフォルダを検索する"), this), 1005);
    m_subfolders->setChecked(settings.flags & kFlagSubfolders);
    m_pattern = makeEdit(1051, fromNative(name), this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_wildcard, 0, 0, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("検索フォルダ名"), this), 1, 0);
    layout->addWidget(m_folder, 1, 1);
    layout->addWidget(m_browse, 1, 2);
    layout->addWidget(m_subfolders, 2, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("検索ファイル名"), this), 3, 0);
    layout->addWidget(m_pattern, 3, 1);
    layout->setRowStretch(4, 1);
    layout->setColumnStretch(1, 1);

    connect(m_wildcard, &QCheckBox::toggled, this, &SearchPage::updateEnabled);
    connect(m_browse, &QPushButton::clicked, this, &SearchPage::browse);
    updateEnabled();
}

bool SearchPage::wildcard() const
{
    return m_wildcard->isChecked();
}

bool SearchPage::subfolders() const
{
    return m_subfolders->isChecked();
}

std::string SearchPage::folder() const
{
    return toNative(expandHome(m_folder->text().trimmed()));
}

std::string SearchPage::pattern() const
{
    return toNative(m_pattern->text());
}

void SearchPage::updateEnabled()
{
    const bool on = m_wildcard->isChecked();
    m_folder->setEnabled(on);
    m_browse->setEnabled(on);
    m_subfolders->setEnabled(on);
    m_pattern->setEnabled(on);
}

void SearchPage::browse()
{
    const QString folder =
        pickFolder(this, QStringLiteral("Log Path"), expandHome(m_folder->text().trimmed()));
    if (!folder.isEmpty())
        m_folder->setText(folder);
}

FilesPage::FilesPage(AnalysisWizard* wizard) : QWizardPage(wizard), m_wizard(wizard)
{
    setHeading(this, QStringLiteral("解析するログファイルを指定してください。"));
    m_list = named(new QTableWidget(0, 3, this), 1044);
    m_list->setHorizontalHeaderLabels(
        {QStringLiteral("FileName"), QStringLiteral("Size"), QStringLiteral("Path")});
    m_list->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_list->setColumnWidth(0, kNameWidth);
    m_list->setColumnWidth(1, kSizeWidth);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab moves on to the buttons; the arrow keys walk the rows.
    m_list->setTabKeyNavigation(false);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->horizontalHeader()->setSectionsClickable(true);
    m_list->setWordWrap(false);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    m_count = named(new QLabel(this), 1061);
    m_total = named(new QLabel(this), 1062);
    auto* add = named(new QPushButton(QStringLiteral("追加(&A)"), this), 1053);
    m_remove = named(new QPushButton(QStringLiteral("除外(&R)"), this), 1063);
    m_clearOnBack =
        named(new QCheckBox(QStringLiteral("「< 戻る(&B)」で一覧をクリアする"), this), 1007);
    // The text names the Back button; Alt+B stays the Back button's.
    m_clearOnBack->setShortcut(QKeySequence());
    m_clearOnBack->setChecked(true);

    m_busy = new QWidget(this);
    m_busy->setObjectName(QStringLiteral("searchBusy"));
    auto* spinner = new QProgressBar(m_busy);
    spinner->setRange(0, 0); // moving to and fro: no share is known
    spinner->setTextVisible(false);
    spinner->setFixedWidth(120);
    auto* stop = new QPushButton(QStringLiteral("検索を中止(&S)"), m_busy);
    stop->setObjectName(QStringLiteral("stopSearch"));
    auto* busyRow = new QHBoxLayout(m_busy);
    busyRow->setContentsMargins(0, 0, 0, 0);
    busyRow->addWidget(spinner);
    busyRow->addWidget(new QLabel(QStringLiteral("ログファイルを検索しています…"), m_busy));
    busyRow->addStretch();
    busyRow->addWidget(stop);
    m_busy->hide();

    m_status = new QWidget(this);
    auto* icon = new QLabel(m_status);
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    icon->setPixmap(style()
                        ->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this)
                        .pixmap(QSize(iconSize, iconSize), devicePixelRatioF()));
    m_statusText = wrapped(QString(), m_status);
    m_statusText->setObjectName(QStringLiteral("searchStatus"));
    m_statusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* statusRow = new QHBoxLayout(m_status);
    statusRow->setContentsMargins(0, 0, 0, 0);
    statusRow->addWidget(icon, 0, Qt::AlignTop);
    statusRow->addWidget(m_statusText, 1);
    m_status->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_busy);
    layout->addWidget(m_status);
    auto* row = new QHBoxLayout;
    row->addWidget(m_count);
    row->addSpacing(16);
    row->addWidget(m_total);
    row->addStretch();
    row->addWidget(add);
    row->addWidget(m_remove);
    layout->addLayout(row);
    layout->addWidget(m_clearOnBack);

    connect(add, &QPushButton::clicked, this, &FilesPage::pickFiles);
    connect(m_remove, &QPushButton::clicked, this, &FilesPage::removeSelected);
    connect(stop, &QPushButton::clicked, this, [this] { m_cancel = true; });
    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &FilesPage::columnClicked);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_remove->setEnabled(m_list->selectionModel()->hasSelection()); });
    refresh();
}

FilesPage::~FilesPage()
{
    joinSearch();
}

void FilesPage::initializePage()
{
    removeDuplicateFiles(m_items);
    refresh();
    showSearchStatus(QString());
    // Once the page is on the screen: the keys go to the list, and the search runs.
    m_searchDue = true;
    QTimer::singleShot(0, this, [this] {
        m_searchDue = false;
        m_list->setFocus(Qt::OtherFocusReason);
        if (m_wizard->searchPage()->wildcard())
            runWildcardSearch();
    });
}

void FilesPage::cleanupPage()
{
    stopSearch();
    showSearchStatus(QString());
    if (m_clearOnBack->isChecked()) {
        m_items.clear();
        refresh();
    }
}

bool FilesPage::isComplete() const
{
    return !searching() && !m_items.empty();
}

void FilesPage::runWildcardSearch()
{
    stopSearch();
    const SearchPage* search = m_wizard->searchPage();
    const std::string folder = search->folder();
    const std::string pattern = search->pattern();
    if (folder.empty() || pattern.empty()) {
        showSearchStatus(folder.empty() ? QStringLiteral("検索フォルダ名を指定してください。")
                                        : QStringLiteral("検索ファイル名を指定してください。"));
        return;
    }
    showSearchStatus(QString());
    const bool subfolders = search->subfolders();
    const std::int64_t newerThan = m_wizard->newerThan();
    const unsigned generation = ++m_generation;
    m_cancel = false;
    const auto work = [this, generation, folder, pattern, subfolders, newerThan] {
        auto result = std::make_shared<SearchResult>(
            searchLogFiles(folder, pattern, subfolders, newerThan, &m_cancel));
        const QString status = searchStatusText(*result, folder, pattern, subfolders);
        QMetaObject::invokeMethod(
            this,
            [this, generation, result, status] {
                searchEnded(generation, std::move(*result), status);
            },
            Qt::QueuedConnection);
    };
    try {
        m_worker = std::thread(work);
    } catch (const std::system_error&) {
        work(); // no thread to spare: search here, the result still comes through the queue
        return;
    }
    m_busy->show();
    emit completeChanged();
}

void FilesPage::joinSearch()
{
    if (!m_worker.joinable())
        return;
    m_cancel = true;
    m_worker.join();
    ++m_generation;
}

void FilesPage::stopSearch()
{
    if (!searching())
        return;
    joinSearch();
    m_busy->hide();
    emit completeChanged();
}

void FilesPage::searchEnded(unsigned generation, SearchResult result, const QString& status)
{
    if (generation != m_generation)
        return; // a search that was stopped, or replaced by a newer one
    if (m_worker.joinable())
        m_worker.join(); // it has posted this and is ending
    m_busy->hide();
    showSearchStatus(status);
    for (auto& item : result.items)
        m_items.push_back(std::move(item));
    removeDuplicateFiles(m_items);
    refresh();
}

void FilesPage::showSearchStatus(const QString& text)
{
    m_statusText->setText(text);
    m_status->setVisible(!text.isEmpty());
}

void FilesPage::addFiles(const QStringList& paths)
{
    const std::int64_t appendTime = m_wizard->newerThan();
    for (const QString& path : paths) {
        const std::string native = toNative(path);
        if (appendTime != 0 && platform::lastWriteTime(native) <= appendTime) {
            const auto answer = QMessageBox::question(
                this, QStringLiteral("Append Log Files"), olderFileQuestion(path, appendTime),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            if (answer != QMessageBox::Yes)
                continue;
        }
        m_items.push_back(makeLogFileItem(native));
    }
    // A file listed twice would be imported twice.
    removeDuplicateFiles(m_items);
    refresh();
}

void FilesPage::pickFiles()
{
    const QStringList paths = pickLogFiles(this, fromNative(m_wizard->searchPage()->folder()));
    if (!paths.isEmpty())
        addFiles(paths);
}

void FilesPage::removeSelected()
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    std::vector<bool> drop(m_items.size(), false);
    std::size_t first = m_items.size();
    for (const QModelIndex& index : rows) {
        const auto row = static_cast<std::size_t>(index.row());
        if (index.row() >= 0 && row < drop.size()) {
            drop[row] = true;
            first = std::min(first, row);
        }
    }
    std::vector<LogFileItem> kept;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (!drop[i])
            kept.push_back(std::move(m_items[i]));
    m_items = std::move(kept);
    refresh();
    // The row that followed the first removed one takes its place, so that Delete can be
    // pressed again.
    if (!m_items.empty()) {
        const int row = static_cast<int>(std::min(first, m_items.size() - 1));
        m_list->setCurrentCell(row, 0,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void FilesPage::columnClicked(int column)
{
    m_order = nextFileOrder(m_order, column);
    refresh();
}

bool FilesPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::Resize) {
        fitColumns();
    } else if (watched == m_list && event->type() == QEvent::FocusIn) {
        // Coming in with Tab, a row is taken at once, so that the focus shows and Delete
        // has something to remove.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const bool byTab = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
        if (byTab && m_list->rowCount() > 0 && !m_list->selectionModel()->hasSelection())
            m_list->setCurrentCell(std::max(m_list->currentRow(), 0), 0,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            removeSelected();
            return true;
        }
    }
    return QWizardPage::eventFilter(watched, event);
}

void FilesPage::fitColumns()
{
    const QFontMetrics metrics = m_list->fontMetrics();
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 8;
    QHeaderView* header = m_list->horizontalHeader();
    int widths[3] = {kNameWidth, kSizeWidth, 0};
    for (int column = 0; column < 3; ++column) {
        widths[column] = std::max(widths[column], header->sectionSizeHint(column));
        for (int row = 0; row < m_list->rowCount(); ++row)
            if (const QTableWidgetItem* item = m_list->item(row, column))
                widths[column] =
                    std::max(widths[column], metrics.horizontalAdvance(item->text()) + padding);
    }
    // A long name is cut rather than pushing its path out of sight; the path column is as
    // wide as its longest path, and at least fills the list.
    const int viewport = m_list->viewport()->width();
    widths[0] = std::min(widths[0], std::max(kNameWidth, viewport / 3));
    widths[2] = std::max(widths[2], viewport - widths[0] - widths[1]);
    for (int column = 0; column < 3; ++column)
        if (header->sectionSize(column) != widths[column])
            header->resizeSection(column, widths[column]);
}

void FilesPage::refresh()
{
    sortLogFiles(m_items, m_order);
    m_list->clearSelection();
    m_list->setRowCount(static_cast<int>(m_items.size()));
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const LogFileItem& item = m_items[i];
        const int row = static_cast<int>(i);
        auto* name = new QTableWidgetItem(fromNative(std::string(item.name())));
        name->setToolTip(fromNative(item.path));
        m_list->setItem(row, 0, name);
        auto* size = new QTableWidgetItem(QString::fromStdString(sizeText(item.size)));
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_list->setItem(row, 1, size);
        m_list->setItem(row, 2, new QTableWidgetItem(fromNative(item.path)));
    }
    if (m_order.column != FileOrder::kNone)
        m_list->horizontalHeader()->setSortIndicator(
            m_order.column, m_order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    m_list->horizontalHeader()->setSortIndicatorShown(m_order.column != FileOrder::kNone);
    fitColumns();
    m_count->setText(QStringLiteral("ファイル数: %1").arg(m_items.size()));
    m_total->setText(
        QStringLiteral("合計サイズ: %1").arg(QString::fromStdString(sizeText(totalSize(m_items)))));
    m_remove->setEnabled(false);
    emit completeChanged();
}

OptionsPage::OptionsPage(const AnalyzeSettings& settings, QWidget* parent) : QWizardPage(parent)
{
    setHeading(this, QStringLiteral("解析オプションを選択してください。"));
    m_standard = named(new QRadioButton(QStringLiteral("標準"), this), 1064);
    m_advanced = named(new QRadioButton(QStringLiteral("詳細設定"), this), 1065);
    (settings.flags & kFlagStandard ? m_standard : m_advanced)->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_standard);
    layout->addWidget(m_advanced);
    layout->addStretch();
}

bool OptionsPage::standard() const
{
    return m_standard->isChecked();
}

WordListPage::WordListPage(int id, const QString& value, QWidget* parent) : QWizardPage(parent)
{
    const bool extensions = id == kPageSkipExt;
    const QString fallback =
        QString::fromUtf8(extensions ? kDefaultSkipExt : kDefaultDirectoryIndex);
    m_edit = makeEdit(1051, value, this);
    auto* reset = named(new QPushButton(QStringLiteral("標準(&D)"), this), 1002);
    connect(reset, &QPushButton::clicked, this, [this, fallback] { m_edit->setText(fallback); });
    auto* layout = new QGridLayout(this);
    if (extensions) {
        setHeading(
            this,
            QStringLiteral(
                "ページの埋め込みオブジェクト（画像やフラッシュ）の拡張子を指定してください。"));
        layout->addWidget(
            wrapped(QStringLiteral("※指定した拡張子のファイルを解析から除外します。"), this), 0, 0,
            1, 3);
        layout->addWidget(new QLabel(QStringLiteral("拡張子"), this), 1, 0);
    } else {
        setHeading(this, QStringLiteral("DirectoryIndexの指定"));
        layout->addWidget(new QLabel(QStringLiteral("DirectoryIndex"), this), 1, 0);
    }
    layout->addWidget(m_edit, 1, 1);
    layout->addWidget(reset, 1, 2);
    auto* separators = new QHBoxLayout;
    separators->addWidget(new QLabel(QStringLiteral("※区切り文字"), this));
    separators->addWidget(new QLabel(QStringLiteral("(Comma)"), this));
    separators->addStretch();
    layout->addLayout(separators, 2, 1, 1, 2);
    layout->setRowStretch(3, 1);
    if (extensions)
        layout->addWidget(manualLink(QStringLiteral("除外する必要のある拡張子について"), this), 4,
                          0, 1, 3, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);
}

std::string WordListPage::value() const
{
    return m_edit->text().toStdString();
}

UserAgentPage::UserAgentPage(const AnalyzeSettings& settings, QWidget* parent) : QWizardPage(parent)
{
    setHeading(this, QStringLiteral("UserAgentの指定"));
    m_browsers = named(new QRadioButton(QStringLiteral("標準"), this), 1064);
    m_all = named(new QRadioButton(QStringLiteral("すべて"), this), 1065);
    (settings.userAgent == kUserAgentBrowsers ? m_browsers : m_all)->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browsers);
    layout->addWidget(m_all);
    layout->addSpacing(12);
    layout->addWidget(
        wrapped(QStringLiteral("※Internet ExplorerとNetscapeを中心に解析を行います。"), this));
    layout->addWidget(wrapped(QStringLiteral("※Vexiloからの閲覧は除外します。"), this));
    layout->addWidget(wrapped(
        QStringLiteral("※標準では、robots.ini に載っている機械 (検索エンジンや AI のクローラー、"
                       "AI アシスタント、SEO ツール、監視サービス、フィードリーダー、自動操作の"
                       "ブラウザー、プログラム) と、連絡先の https:// アドレスやメール アドレスを"
                       "名乗るエージェントも除外します。「すべて」では機械も残り、「訪問者の種類」"
                       "フィルタで人と機械を分けて見られます。"),
        this));
    layout->addStretch();
}

std::string UserAgentPage::value() const
{
    return m_browsers->isChecked() ? kUserAgentBrowsers : kUserAgentAll;
}

FinishPage::FinishPage(AnalysisWizard* wizard) : QWizardPage(wizard), m_wizard(wizard)
{
    setTitle(QStringLiteral("Sievra Wizard"));
    setPixmap(QWizard::WatermarkPixmap, wizardWatermark());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        wrapped(QStringLiteral("「完了」をクリックして解析を開始してください。"), this));
    layout->addStretch();
}

bool FinishPage::validatePage()
{
    m_wizard->writeResults();
    return true;
}

AnalysisWizard::AnalysisWizard(QWidget* owner, std::string scratch, std::int64_t appendTime)
    : QWizard(owner), m_scratch(std::move(scratch)), m_appendTime(appendTime)
{
    const AnalyzeSettings settings = readScratch(m_scratch);
    setWindowTitle(QStringLiteral("Sievra Wizard"));
    setWindowIcon(appIcon());
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    setOption(QWizard::HaveHelpButton, false);
    setButtonText(QWizard::BackButton, QStringLiteral("< 戻る(&B)"));
    setButtonText(QWizard::NextButton, QStringLiteral("次へ(&N) >"));
    setButtonText(QWizard::FinishButton, QStringLiteral("完了"));
    setButtonText(QWizard::CancelButton, QStringLiteral("キャンセル"));
    setPixmap(QWizard::LogoPixmap, emblemPixmap(48));

    m_search = new SearchPage(settings, this);
    m_files = new FilesPage(this);
    m_options = new OptionsPage(settings, this);
    m_skipExt = new WordListPage(kPageSkipExt, QString::fromStdString(settings.skipExt), this);
    m_dirIndex =
        new WordListPage(kPageDirIndex, QString::fromStdString(settings.directoryIndex), this);
    m_userAgent = new UserAgentPage(settings, this);
    auto* welcome =
        new WelcomePage(m_appendTime != 0, settings.appendTo, settings.flags & kFlagNewOnly);
    m_newOnly = welcome->newOnlyBox();
    setPage(welcomeId(), welcome);
    setPage(kPageSearch, m_search);
    setPage(kPageFiles, m_files);
    setPage(kPageOptions, m_options);
    setPage(kPageSkipExt, m_skipExt);
    setPage(kPageDirIndex, m_dirIndex);
    setPage(kPageUserAgent, m_userAgent);
    setPage(kPageFinish, new FinishPage(this));
    setStartId(welcomeId());
    setMinimumSize(600, 440);
}

bool AnalysisWizard::newOnly() const
{
    return m_appendTime != 0 && m_newOnly && m_newOnly->isChecked();
}

std::int64_t AnalysisWizard::newerThan() const
{
    return newOnly() ? 0 : m_appendTime;
}

int AnalysisWizard::nextId() const
{
    switch (currentId()) {
    case kPageWelcome:
    case kPageWelcomeAppend:
        return kPageSearch;
    case kPageSearch:
        return kPageFiles;
    case kPageFiles:
        return kPageOptions;
    case kPageOptions:
        return m_options->standard() ? kPageFinish : kPageSkipExt;
    case kPageSkipExt:
        return kPageDirIndex;
    case kPageDirIndex:
        return kPageUserAgent;
    case kPageUserAgent:
        return kPageFinish;
    default:
        return -1;
    }
}

void AnalysisWizard::writeResults()
{
    AnalyzeSettings s;
    s.flags = (m_search->wildcard() ? kFlagWildcard : 0u) |
              (m_search->subfolders() ? kFlagSubfolders : 0u) |
              (m_options->standard() ? kFlagStandard : 0u);
    // The append page's choice; a new analysis keeps the last one for the next append.
    if (m_appendTime ? newOnly() : (readScratch(m_scratch).flags & kFlagNewOnly) != 0)
        s.flags |= kFlagNewOnly;
    s.fileNamePattern = platform::joinPath(m_search->folder(), m_search->pattern());
    for (const auto& item : m_files->items())
        s.files.push_back(item.path);
    s.skipExt = m_skipExt->value();
    s.directoryIndex = m_dirIndex->value();
    s.userAgent = m_userAgent->value();
    writeFinish(m_scratch, s);
}

} // namespace ui
