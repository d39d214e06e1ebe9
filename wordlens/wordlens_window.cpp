#include "wordlens/wordlens_window.h"

#include "dialogs/ui.h"
#include "filters/csv.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "store/label_steps.h"
#include "store/load_failure.h"
#include "store/log_container.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"
#include "toolkit/stat_list.h"
#include "views/links.h"
#include "wordlens/wordlens_model.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QShortcut>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <memory>

namespace wordlens {

using namespace toolkit;

namespace {

constexpr int kWatchTimer = 1;
constexpr int kWatchMillis = 1000;
constexpr int kSeparatorWidth = 4;

QString fromNative(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

Desktop makeDesktop()
{
    Desktop d;
    const QString logs = QStringLiteral("Analyzed Log File(*.vxlog) (*.vxlog)");
    d.openLogName = [logs](QWidget* owner) {
        return askFileName(owner, FileDialogKind::Open, logs);
    };
    d.saveLogName = [logs](QWidget* owner) {
        return askFileName(owner, FileDialogKind::Save, logs, QStringLiteral("vxlog"));
    };
    d.exportName = [](QWidget* owner) {
        return askFileName(owner, FileDialogKind::Save,
                           QStringLiteral("CSV(*.csv;*.txt) (*.csv *.txt)"), QStringLiteral("csv"));
    };
    d.runWizard = [](QWidget* owner, char* path, std::size_t size, const char* config) {
        return uiRunWizAna(owner, path, size, config);
    };
    d.errorBox = [](QWidget* owner, const QString& caption, const QString& text) {
        QMessageBox::critical(owner, caption, text);
    };
    d.askToSave = [](QWidget* owner) {
        return static_cast<int>(QMessageBox::question(
            owner, QString::fromLatin1(kTitle),
            QStringLiteral("新しいログ解析の結果はまだ保存されていません。\n保存しますか？"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes));
    };
    d.openUrl = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    d.openPath = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(fromNative(path)));
    };
    return d;
}

class Client;

// A list pane: its title strip ("Referer" with the links filter, or "Query"), the export
// button and the list.
class Pane : public Handler, public ListOwner
{
  public:
    explicit Pane(bool referers) : m_referers(referers) {}

    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override;
    QString cellText(int row, int subitem) const override;
    void drawCell(QPainter& p, int row, int subitem, const CellState& state, const QRect& rect,
                  Qt::Alignment alignment) const override;
    void sortRows(unsigned sortType) override;

    void refresh();
    void empty();
    std::string selectedReferer() const;
    StatList* list() const { return m_list; }
    const filters::CellSource& source() const
    {
        return m_referers ? static_cast<const filters::CellSource&>(m_refererList) : m_queryList;
    }
    std::span<const int> order() const
    {
        return m_referers ? std::span<const int>(kRefererOrder) : std::span<const int>(kQueryOrder);
    }

  private:
    void created(Window& self, Client* client);
    void exportList();
    void open(int row);

    bool m_referers;
    Client* m_client = nullptr;
    Window* m_self = nullptr;
    StatList* m_list = nullptr;
    QComboBox* m_filter = nullptr;
    RefererList m_refererList;
    QueryList m_queryList;
    bool m_filling = false;
};

class Client : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override;

    store::LogContainer* log() const { return m_log.get(); }
    RuleSet& rules() { return m_rules; }
    Pane* pane(int id) const
    {
        Window* w = child(m_self, id);
        return w ? static_cast<Pane*>(w->handler()) : nullptr;
    }
    QWidget* owner() const { return m_self ? m_self->window() : nullptr; }
    QLabel* problems() const { return m_problems; }
    // The rule files read anew, both panes refreshed.
    void refreshAll();
    void refererChosen();
    void showProblems();
    bool closeLog();

  private:
    void created(Window& self);
    void layOut();
    LResult onCommand(int id, LParam arg);
    void openLog(const std::string& path, bool temporary);
    void runWizard(const std::string& extend);
    void saveLog();
    void openRuleFile(const char* name);
    void watchRules();
    void updateTitle();

    Window* m_self = nullptr;
    Window* m_separator = nullptr;
    QLabel* m_problems = nullptr;
    std::unique_ptr<store::LogContainer> m_log;
    bool m_temporary = false;
    RuleSet m_rules;
    std::array<std::int64_t, 3> m_ruleTimes{};
};

// ---- Pane -----------------------------------------------------------------------------

LResult Pane::onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam)
{
    switch (msg) {
    case WM_CREATE:
        created(self, reinterpret_cast<Client*>(lParam));
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NotifyHeader*>(lParam);
        if (!header)
            return 0;
        if (header->code == LVN_ITEMCHANGED && m_referers && !m_filling)
            m_client->refererChosen();
        else if (header->code == NM_DBLCLK && !m_referers)
            open(reinterpret_cast<ListNotify*>(header)->row);
        else if (header->code == LVN_COLUMNCLICK)
            m_list->refresh();
        return 0;
    }
    case WM_COMMAND:
        switch (loWord(wParam)) {
        case kCmdExport:
            exportList();
            return 0;
        case kCmdSelectAll: {
            std::vector<int> all(static_cast<std::size_t>(m_list->rowCount()));
            for (std::size_t i = 0; i < all.size(); ++i)
                all[i] = static_cast<int>(i);
            m_list->setSelectedRows(all);
            return 0;
        }
        case 57632: // Escape released in the list
            m_list->clearSelectedRows();
            if (m_referers)
                m_client->refererChosen();
            return 0;
        default:
            return 0;
        }
    default:
        return defaultProc(self, msg, wParam, lParam);
    }
}

void Pane::created(Window& self, Client* client)
{
    m_self = &self;
    m_client = client;
    auto* layout = new QVBoxLayout(&self);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto* strip = new QWidget(&self);
    strip->setAutoFillBackground(true);
    strip->setBackgroundRole(QPalette::Button);
    auto* title = new QHBoxLayout(strip);
    title->setContentsMargins(6, 1, 2, 1);
    auto* label =
        new QLabel(m_referers ? QStringLiteral("Referer") : QStringLiteral("Query"), strip);
    label->setStyleSheet(QStringLiteral("font-weight: bold"));
    title->addWidget(label);
    if (m_referers) {
        m_filter = new QComboBox(strip);
        m_filter->addItems({QStringLiteral("Linkが2以上"), QStringLiteral("すべて")});
        m_filter->setToolTip(QStringLiteral("Linkが2以上: 2種類以上のリクエストから来た参照元だけ "
                                            "/ すべて: クエリ付きの参照元すべて"));
        QObject::connect(m_filter, &QComboBox::currentIndexChanged, &self,
                         [this](int) { refresh(); });
        title->addWidget(m_filter);
    }
    title->addStretch(1);
    auto* exportButton = new QToolButton(strip);
    exportButton->setText(QStringLiteral("エクスポート"));
    exportButton->setToolTip(QStringLiteral("ファイルにエクスポート"));
    exportButton->setAutoRaise(true);
    QObject::connect(exportButton, &QToolButton::clicked, &self,
                     [this] { toolkit::command(m_self, kCmdExport); });
    title->addWidget(exportButton);
    layout->addWidget(strip);

    m_list = new StatList(&self, this);
    if (m_referers)
        m_list->setColumns(
            {{QStringLiteral("Referer"), 800, Qt::AlignLeft},
             {QStringLiteral("Hits"), 45, Qt::AlignRight, QStringLiteral("リクエスト数")},
             {QStringLiteral("Links"), 40, Qt::AlignRight,
              QStringLiteral("この参照元から来たリクエストの種類の数")},
             {QStringLiteral("Name"), 60, Qt::AlignLeft,
              QStringLiteral("referer2searchname.ini による検索エンジン名")}},
            std::vector<int>(std::begin(kRefererOrder), std::end(kRefererOrder)));
    else
        m_list->setColumns(
            {{QStringLiteral("Query"), 8000, Qt::AlignLeft},
             {QStringLiteral("Hits"), 45, Qt::AlignRight, QStringLiteral("リクエスト数")},
             {QStringLiteral("Result"), 300, Qt::AlignLeft,
              QStringLiteral("referer2searchword.ini による検索ワード")},
             {QStringLiteral("Rank"), 45, Qt::AlignRight,
              QStringLiteral("referer2searchrank.ini による検索順位")}},
            std::vector<int>(std::begin(kQueryOrder), std::end(kQueryOrder)));
    m_list->setSortType(m_referers ? m_refererList.sortType() : m_queryList.sortType());
    m_list->setSelectionMode(m_referers ? QAbstractItemView::SingleSelection
                                        : QAbstractItemView::ExtendedSelection);
    layout->addWidget(m_list, 1);
    auto* escape =
        new QShortcut(QKeySequence(Qt::Key_Escape), m_list, nullptr, nullptr, Qt::WidgetShortcut);
    QObject::connect(escape, &QShortcut::activated, m_list,
                     [this] { post(m_self, WM_COMMAND, 57632); });
}

QString Pane::cellText(int row, int subitem) const
{
    std::string text;
    source().appendCellText(text, static_cast<std::size_t>(row), subitem);
    return fromCp932(text);
}

void Pane::drawCell(QPainter& p, int row, int subitem, const CellState& state, const QRect& rect,
                    Qt::Alignment alignment) const
{
    const QColor highlight =
        state.listFocused ? QApplication::palette().highlight().color() : QColor(0xc8, 0xc8, 0xc8);
    p.fillRect(rect, state.selected ? highlight : QColor(Qt::white));
    p.setPen(QColor(0xee, 0xee, 0xee));
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
    QColor ink = Qt::black;
    if (!m_referers && subitem == kQuery) {
        const std::string address = m_queryList.address(static_cast<std::size_t>(row));
        const std::uint32_t bgr = views::linkColour(views::visitedUrls(), address);
        ink = QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    }
    if (state.selected && state.listFocused)
        ink = Qt::white;
    p.setPen(ink);
    drawCellText(p, rect, alignment, cellText(row, subitem), state,
                 subitem == 0 ? Qt::ElideMiddle : Qt::ElideRight);
}

void Pane::sortRows(unsigned sortType)
{
    // The selected referer stays selected wherever it goes.
    const std::string keep = selectedReferer();
    if (m_referers)
        m_refererList.sort(sortType);
    else
        m_queryList.sort(sortType);
    if (m_referers && !keep.empty()) {
        m_filling = true;
        const int row = m_refererList.find(keep);
        m_list->setSelectedRows(row >= 0 ? std::vector<int>{row} : std::vector<int>{});
        m_filling = false;
    }
}

std::string Pane::selectedReferer() const
{
    if (!m_referers || !m_list)
        return {};
    const std::vector<int> rows = m_list->selectedRows();
    if (rows.empty() || rows.front() >= static_cast<int>(m_refererList.rows().size()))
        return {};
    return m_refererList.rows()[static_cast<std::size_t>(rows.front())].referer;
}

void Pane::refresh()
{
    store::LogContainer* log = m_client->log();
    const WaitCursor wait;
    m_filling = true;
    if (m_referers) {
        const std::string keep = selectedReferer();
        if (log)
            m_refererList.refresh(*log, m_client->rules(), m_filter->currentIndex() == 1);
        else
            m_refererList = RefererList();
        m_list->setRowCount(static_cast<int>(m_refererList.rowCount()));
        const int row = keep.empty() ? -1 : m_refererList.find(keep);
        m_list->setSelectedRows(row >= 0 ? std::vector<int>{row} : std::vector<int>{});
    } else {
        Pane* referers = m_client->pane(kIdRefererPane);
        const std::string referer = referers ? referers->selectedReferer() : std::string();
        if (log)
            m_queryList.refresh(*log, m_client->rules(), referer);
        else
            m_queryList = QueryList();
        m_list->clearSelectedRows();
        m_list->setRowCount(static_cast<int>(m_queryList.rowCount()));
    }
    m_list->refresh();
    m_filling = false;
}

void Pane::empty()
{
    m_refererList = RefererList();
    m_queryList = QueryList();
    m_filling = true;
    m_list->clearSelectedRows();
    m_list->setRowCount(0);
    m_filling = false;
}

void Pane::exportList()
{
    const std::string path = desktop().exportName(m_self->window());
    if (path.empty())
        return;
    if (filters::exportCsv(path, source(), order()) != 0)
        desktop().errorBox(m_self->window(), QString::fromUtf8(filters::kExportCaption),
                           QString::fromUtf8(filters::kExportFailedText));
}

void Pane::open(int row)
{
    if (row < 0)
        return;
    const std::string address = m_queryList.address(static_cast<std::size_t>(row));
    if (!views::isOpenableUrl(address))
        return;
    if (desktop().openUrl(fromCp932(address))) {
        views::visitedUrls().add(address);
        m_list->viewport()->update();
    }
}

// ---- Client ---------------------------------------------------------------------------

int runLoad(UiLabel* label, std::atomic<float>* progress, void* context)
{
    store::LabelSteps text(label);
    return loadForWordlens(*static_cast<store::LogContainer*>(context), &text, *progress);
}

std::array<std::int64_t, 3> ruleTimes()
{
    std::array<std::int64_t, 3> times{};
    for (std::size_t i = 0; i < times.size(); ++i)
        times[i] = platform::lastWriteTime(
            platform::joinPath(platform::resFolder(), kWatchedRuleFiles[i]));
    return times;
}

LResult Client::onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam)
{
    switch (msg) {
    case WM_CREATE:
        created(self);
        return 0;
    case WM_SIZE:
        layOut();
        return 0;
    case WM_TIMER:
        if (wParam == kWatchTimer)
            watchRules();
        return 0;
    case WM_COMMAND:
        return onCommand(loWord(wParam), lParam);
    default:
        return defaultProc(self, msg, wParam, lParam);
    }
}

void Client::created(Window& self)
{
    m_self = &self;
    m_problems = new QLabel(&self);
    m_problems->setObjectName(QStringLiteral("problems"));
    m_problems->setWordWrap(true);
    m_problems->setTextFormat(Qt::PlainText);
    m_problems->setStyleSheet(QStringLiteral(
        "background: #fff4e5; color: #7a2e00; border-bottom: 1px solid #e0b080; padding: 4px"));
    m_problems->hide();
    create("WC_VIEW1", &self, kIdRefererPane, QRect(), this);
    create("WC_VIEW2", &self, kIdQueryPane, QRect(), this);
    m_separator = create(kSeparatorClass, &self, kIdSeparator, QRect(400, 0, kSeparatorWidth, 100));
    m_ruleTimes = ruleTimes();
    m_rules = RuleSet::load(platform::resFolder());
    showProblems();
    self.setTimer(kWatchTimer, kWatchMillis);
    layOut();
}

void Client::layOut()
{
    if (!m_self || !m_separator)
        return;
    const int w = m_self->width(), h = m_self->height();
    int top = 0;
    if (m_problems->isVisible()) {
        const int height = m_problems->heightForWidth(w);
        m_problems->setGeometry(0, 0, w, height > 0 ? height : m_problems->sizeHint().height());
        top = m_problems->height();
    }
    const int sep = std::clamp(m_separator->x(), 80, std::max(80, w - 80));
    auto place = [](Window* window, const QRect& r) {
        if (window && window->geometry() != r)
            setWindowPos(window, r);
    };
    place(m_separator, QRect(sep, top, kSeparatorWidth, h - top));
    place(child(m_self, kIdRefererPane), QRect(0, top, sep, h - top));
    place(child(m_self, kIdQueryPane),
          QRect(sep + kSeparatorWidth, top, std::max(0, w - sep - kSeparatorWidth), h - top));
}

void Client::showProblems()
{
    QStringList lines;
    for (const rules::RuleProblem& p : m_rules.problems)
        lines << QString::fromStdString(rules::describe(p));
    m_problems->setText(lines.isEmpty() ? QString()
                                        : QStringLiteral("ルールファイルに問題があります:\n") +
                                              lines.join(QLatin1Char('\n')));
    m_problems->setVisible(!lines.isEmpty());
    layOut();
}

void Client::refreshAll()
{
    m_rules = RuleSet::load(platform::resFolder());
    if (Pane* p = pane(kIdRefererPane))
        p->refresh();
    if (Pane* p = pane(kIdQueryPane))
        p->refresh();
    showProblems();
}

void Client::refererChosen()
{
    if (Pane* p = pane(kIdQueryPane))
        p->refresh();
    showProblems();
}

void Client::watchRules()
{
    const auto now = ruleTimes();
    bool changed = false;
    for (std::size_t i = 0; i < now.size(); ++i)
        changed = changed || (m_ruleTimes[i] != 0 && now[i] != m_ruleTimes[i]) ||
                  (m_ruleTimes[i] == 0 && now[i] != 0);
    m_ruleTimes = now;
    if (changed) {
        platform::trace("Wordlens: a rule file changed");
        refreshAll();
    }
}

LResult Client::onCommand(int id, LParam arg)
{
    switch (id) {
    case kCmdNewAnalysis:
        runWizard({});
        return 0;
    case kCmdAddLog:
        if (m_log)
            runWizard(m_log->logPath);
        return 0;
    case kCmdOpen: {
        std::string path = arg ? reinterpret_cast<const char*>(arg) : "";
        if (path.empty())
            path = desktop().openLogName(owner());
        if (!path.empty())
            openLog(path, false);
        return 0;
    }
    case kCmdSave:
        saveLog();
        return 0;
    case kCmdClose:
        closeLog();
        return 0;
    case kCmdExit:
        if (owner())
            owner()->close();
        return 0;
    case kCmdRefresh:
        refreshAll();
        return 0;
    case kCmdWordRules:
        openRuleFile("referer2searchword.ini");
        return 0;
    case kCmdRankRules:
        openRuleFile("referer2searchrank.ini");
        return 0;
    case kCmdNameRules:
        openRuleFile("referer2searchname.ini");
        return 0;
    case kCmdSettingsFolder:
        desktop().openPath(platform::resFolder());
        return 0;
    case kCmdHelp: {
        const std::string path = platform::programPath("manual/index_wl.html");
        if (platform::fileExists(path))
            desktop().openPath(path);
        else
            desktop().errorBox(
                owner(), QString::fromLatin1(kTitle),
                QStringLiteral("マニュアルが見つかりません。\n%1").arg(fromNative(path)));
        return 0;
    }
    case kCmdAbout:
        uiDoSplash("", nullptr, UI_SW_HIDE);
        return 0;
    case kCmdSelectAll: {
        QWidget* focus = QApplication::focusWidget();
        for (int p : {kIdRefererPane, kIdQueryPane})
            if (Pane* pn = pane(p); pn && focus == pn->list())
                toolkit::command(child(m_self, p), kCmdSelectAll);
        return 0;
    }
    default:
        return 0;
    }
}

void Client::openLog(const std::string& path, bool temporary)
{
    if (!closeLog())
        return; // a new analysis stays where the wizard left it
    auto log = std::make_unique<store::LogContainer>();
    log->logPath = path;
    log->tidyHostCache = false;
    const int rc = uiAsyncOpen(owner(), runLoad, log.get());
    platform::trace("Wordlens open %s: %d", path.c_str(), rc);
    if (rc != 0) {
        if (const std::string text = store::sideProgramOpenFailure(rc); !text.empty())
            desktop().errorBox(owner(), QString::fromLatin1(kTitle), QString::fromStdString(text));
        if (temporary)
            std::remove(path.c_str());
        updateTitle();
        return;
    }
    m_log = std::move(log);
    m_temporary = temporary;
    refreshAll();
    updateTitle();
}

bool Client::closeLog()
{
    // The wizard's analysis is not dropped without a question.
    while (m_log && m_temporary) {
        const int answer = desktop().askToSave(owner());
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::No) {
            std::remove(m_log->logPath.c_str());
            break;
        }
        saveLog();
    }
    m_log.reset();
    m_temporary = false;
    for (int id : {kIdRefererPane, kIdQueryPane})
        if (Pane* p = pane(id))
            p->empty();
    updateTitle();
    return true;
}

void Client::runWizard(const std::string& extend)
{
    char path[4096] = {};
    std::snprintf(path, sizeof path, "%s", extend.c_str());
    const std::string config = platform::programPath("res/init_sievra.ini");
    // A new analysis asks about an unsaved one first; an extended one takes its place.
    if (extend.empty() && !closeLog())
        return;
    if (desktop().runWizard(owner(), path, sizeof path, config.c_str()) != 1)
        return;
    if (!extend.empty() && m_log && m_temporary) {
        std::remove(m_log->logPath.c_str());
        m_temporary = false;
    }
    openLog(path, true);
}

void Client::saveLog()
{
    if (!m_log)
        return;
    const std::string to = desktop().saveLogName(owner());
    if (to.empty())
        return;
    if (platform::copyFile(m_log->logPath, to) != 0) {
        desktop().errorBox(owner(), QString::fromLatin1(kTitle),
                           QStringLiteral("保存に失敗しました"));
        return;
    }
    if (m_temporary && !platform::sameFile(m_log->logPath, to))
        std::remove(m_log->logPath.c_str());
    m_log->logPath = to;
    m_temporary = false;
    updateTitle();
}

void Client::openRuleFile(const char* name)
{
    desktop().openPath(platform::joinPath(platform::resFolder(), name));
}

void Client::updateTitle()
{
    if (QWidget* frame = owner()) {
        if (m_log && !m_temporary)
            frame->setWindowTitle(QStringLiteral("%1 - %2").arg(
                QString::fromLatin1(kTitle),
                QFile::decodeName(QByteArray::fromStdString(m_log->logPath))
                    .section(QLatin1Char('/'), -1)));
        else
            frame->setWindowTitle(QString::fromLatin1(kTitle));
        if (auto* f = qobject_cast<WordlensFrame*>(frame))
            f->updateMenuState();
    }
}

Client* clientOf(Window* client)
{
    return client ? dynamic_cast<Client*>(client->handler()) : nullptr;
}

} // namespace

Desktop& desktop()
{
    static Desktop d = makeDesktop();
    return d;
}

store::LogContainer* logOf(Window* client)
{
    Client* c = clientOf(client);
    return c ? c->log() : nullptr;
}

std::string exportText(Window* client, int paneId)
{
    Client* c = clientOf(client);
    Pane* p = c ? c->pane(paneId) : nullptr;
    return p ? filters::csvText(p->source(), p->order()) : std::string();
}

QLabel* problemStrip(Window* client)
{
    Client* c = clientOf(client);
    return c ? c->problems() : nullptr;
}

void registerWordlensWindows()
{
    registerClass(kMainClass, [](void*) { return std::make_unique<Client>(); });
    registerClass("WC_VIEW1", [](void*) { return std::make_unique<Pane>(true); });
    registerClass("WC_VIEW2", [](void*) { return std::make_unique<Pane>(false); });
}

WordlensFrame::WordlensFrame()
{
    setWindowTitle(QString::fromLatin1(kTitle));
    resize(1000, 600);
    auto* holder = new QWidget(this);
    setCentralWidget(holder);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    m_client = toolkit::create(kMainClass, holder, 0, QRect(0, 0, 1000, 560));
    if (!m_client)
        return;
    layout->addWidget(m_client);
    Window* client = m_client;
    auto add = [client](QMenu* menu, const QString& text, int id, const QKeySequence& key = {}) {
        return toolkit::addMenuCommand(menu, text, client, id, key);
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    add(file, QStringLiteral("新しいログ解析(&N)..."), kCmdNewAnalysis);
    add(file, QStringLiteral("ログの追加(&A)..."), kCmdAddLog);
    file->addSeparator();
    add(file, QStringLiteral("解析済みログを開く(&O)..."), kCmdOpen,
        QKeySequence(Qt::CTRL | Qt::Key_O));
    add(file, QStringLiteral("解析済みログを保存(&A)..."), kCmdSave,
        QKeySequence(Qt::CTRL | Qt::Key_S));
    add(file, QStringLiteral("閉じる(&C)"), kCmdClose);
    file->addSeparator();
    add(file, QStringLiteral("終了(&X)\tAlt+F4"), kCmdExit);
    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    add(view, QStringLiteral("再描画(&R)"), kCmdRefresh, QKeySequence(Qt::Key_F5));
    QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    add(settings, QStringLiteral("検索ワード / referer2searchword.ini"), kCmdWordRules);
    add(settings, QStringLiteral("検索ランク / referer2searchrank.ini"), kCmdRankRules);
    add(settings, QStringLiteral("検索エンジン名 / referer2searchname.ini"), kCmdNameRules);
    settings->addSeparator();
    add(settings, QStringLiteral("設定フォルダを開く(&O)"), kCmdSettingsFolder);
    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    add(help, QStringLiteral("ヘルプ(&H)"), kCmdHelp);
    add(help, QStringLiteral("バージョン情報(&V)"), kCmdAbout);
    for (QMenu* menu : {file, view, settings, help})
        connect(menu, &QMenu::aboutToShow, this, &WordlensFrame::updateMenuState);
    auto* selectAll = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this);
    connect(selectAll, &QShortcut::activated, this,
            [client] { toolkit::command(client, kCmdSelectAll); });
    updateMenuState();
}

WordlensFrame::~WordlensFrame() = default;

void WordlensFrame::updateMenuState()
{
    const bool open = logOf(m_client) != nullptr;
    for (QAction* a : menuBar()->findChildren<QAction*>()) {
        const int id = a->data().toInt();
        if (id == kCmdSave || id == kCmdClose || id == kCmdAddLog)
            a->setEnabled(open);
    }
}

void WordlensFrame::closeEvent(QCloseEvent* event)
{
    if (Client* c = clientOf(m_client); c && !c->closeLog()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace wordlens
