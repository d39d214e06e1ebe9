#include "mainwin/main_window.h"

#include "dialogs/ui.h"
#include "filters/chain_windows.h"
#include "filters/kinds.h"
#include "filters/pane_classes.h"
#include "filters/pane_frame.h"
#include "filters/period_filter.h"
#include "mainwin/manual_window.h"
#include "mainwin/remembered.h"
#include "mainwin/report_work_folder.h"
#include "mainwin/status_bar.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "store/chain_states.h"
#include "store/store_window.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"
#include "toolkit/stat_list.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace mainwin {
namespace {

using namespace toolkit;

constexpr int kPathBuffer = 260;
constexpr int kMaxFilterPanes = 6;
constexpr int kSplitterWidth = 6;
constexpr int kSplitterStart = toolkit::kFilterColumnWidth;
constexpr int kGraphHeight = 260;
constexpr char kHomePage[] = "https://orvane.example.com/vexilo/";

Desktop& desktop()
{
    static Desktop current = realDesktop();
    return current;
}

QString fromNative(const std::string& path)
{
    return QFile::decodeName(path.c_str());
}

void errorBox(QWidget* owner, const QString& text)
{
    QMessageBox::critical(owner, QStringLiteral("Vexilo"), text);
}

// The list (id 2000) a widget belongs to, or null: a pane's statistics list, or another
// window with that id.
QWidget* listOf(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* list = qobject_cast<StatList*>(w))
            return list->id() == StatList::kDefaultId ? list : nullptr;
        if (auto* window = qobject_cast<Window*>(w))
            return window->id() == StatList::kDefaultId ? window : nullptr;
    }
    return nullptr;
}

// The panes of one column: ids first, first + 1, ... up to the first gap.
std::vector<Window*> column(QWidget* main, int first)
{
    std::vector<Window*> panes;
    for (int id = first; Window* pane = child(main, id); ++id)
        panes.push_back(pane);
    return panes;
}

inline constexpr unsigned kChildrenChanged = WM_APP + 1;

// The client area of the frame: paints the band behind the period pane and the toolbar,
// and turns size changes into WM_SIZE for its handler.
class MainClient final : public Window
{
  public:
    explicit MainClient(QWidget* parent) : Window(parent) {}
    ~MainClient() override { sendDestroy(); }

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QColor face = palette().color(QPalette::Button);
        p.fillRect(rect(), palette().color(QPalette::Window));
        auto mix = [&](int weightFace, int weightWhite) {
            const int total = weightFace + weightWhite;
            return QColor((face.red() * weightFace + 255 * weightWhite) / total,
                          (face.green() * weightFace + 255 * weightWhite) / total,
                          (face.blue() * weightFace + 255 * weightWhite) / total);
        };
        QLinearGradient band(0, 2, 0, 22);
        band.setColorAt(0, mix(2, 1));
        band.setColorAt(1, mix(1, 2));
        p.fillRect(QRect(0, 2, width(), 20), band);
        // Etched lines above and below the band.
        for (const int y : {0, 22}) {
            p.setPen(face.darker(130));
            p.drawLine(0, y, width(), y);
            p.setPen(QColor(255, 255, 255));
            p.drawLine(0, y + 1, width(), y + 1);
        }
        p.setPen(face.darker(133));
        p.drawRect(QRect(4, 8, 7, 8));
        QFont font = this->font();
        p.setFont(font);
        const QRect label(16, 2, 200, 20);
        p.setPen(Qt::white);
        p.drawText(label.translated(0, 1), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("フィルタ"));
        p.setPen(QColor(34, 34, 34));
        p.drawText(label.translated(-1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("フィルタ"));
    }

    void resizeEvent(QResizeEvent* event) override
    {
        Window::resizeEvent(event);
        dispatch(WM_SIZE, 0, makeLParam(width(), height()));
    }

    void childEvent(QChildEvent* event) override
    {
        Window::childEvent(event);
        // A child's id is set after Qt announces it: look once the creation is done.
        if (event->added() || event->removed())
            QMetaObject::invokeMethod(
                this, [this] { dispatch(kChildrenChanged, 0, 0); }, Qt::QueuedConnection);
    }
};

class MainHandler final : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            created(self);
            return 0;
        case WM_DESTROY:
            removeReportWorkFolder(m_workFolder);
            m_workFolder.clear();
            return 0;
        case WM_SIZE:
            layout(self, loWord(static_cast<WParam>(lParam)), hiWord(static_cast<WParam>(lParam)));
            return 0;
        case kChildrenChanged:
            childrenChanged(self);
            return 0;
        case WM_COMMAND:
            return onCommand(self, loWord(wParam), lParam);
        case WM_NOTIFY:
            return onNotify(self, reinterpret_cast<NotifyHeader*>(lParam));
        case UM_LOGOPENED:
            relay(self, msg, 0, 0);
            setTitle(self);
            command(child(&self, IDW_PERIOD), ID_REFRESH, 0);
            return 0;
        case UM_LOGCLOSED:
            relay(self, msg, 0, 0);
            setTitle(self);
            return 0;
        case UM_HOSTRESOLVED:
            relay(self, msg, wParam, lParam);
            return 0;
        case UM_GETPATH:
            if (lParam == 1)
                return reinterpret_cast<LResult>(m_workFolder.c_str());
            return send(child(&self, IDW_STORE), msg, wParam, lParam);
        case UM_GETRECORDS:
        case UM_GETHOSTS:
        case UM_GETFRAGMENTS:
        case UM_GETVISITORS:
        case UM_GETTITLE:
        case UM_GETGROUPSET:
        case UM_ISGROUPNAME:
        case UM_STRIPLOCALSITE:
        case UM_GETLOGCONTAINER:
            return send(child(&self, IDW_STORE), msg, wParam, lParam);
        default:
            return defaultProc(self, msg, wParam, lParam);
        }
    }

  private:
    MainFrame* frame(Window& self) { return qobject_cast<MainFrame*>(self.window()); }

    void created(Window& self)
    {
        // 1. The report work folder; the program runs on without one.
        const std::string temp = platform::tempFolder();
        removeOrphanedWorkFolders(temp);
        WorkFolderSetup setup;
        setup.templates = platform::joinPath(platform::resFolder(), "report");
        setup.tempFolder = temp;
        int error = 0;
        m_workFolder = createReportWorkFolder(setup, &error);
        if (m_workFolder.empty())
            QTimer::singleShot(0, &self, [&self, error, templates = setup.templates] {
                errorBox(self.window(),
                         QStringLiteral("レポートの作業フォルダを作成できませんでした。\n"
                                        "レポートは表示されません。\n\n%1\nerr=%2")
                             .arg(fromNative(templates))
                             .arg(error));
            });
        // 2.-7. The status bar, the period pane, the toolbar, the filters (two page filters,
        // or the chain of the last run), the splitter and the views; classes that are not
        // there yet are left out.
        const Remembered remembered = readRemembered();
        const int splitterX =
            remembered.filterColumnWidth ? remembered.filterColumnWidth : kSplitterStart;
        create(kStatusBarClass, &self, IDW_STATUSBAR, QRect(), nullptr);
        create(filters::kPeriodClassName, &self, IDW_PERIOD, QRect(0, 20, splitterX, 20), nullptr);
        createToolbar(self);
        create(kSeparatorClass, &self, IDW_SPLITTER, QRect(splitterX, 0, kSplitterWidth, 100),
               nullptr);
        addChain(self, remembered.chain.empty() ? defaultChain() : remembered.chain);
        // The report is the main view; until it exists, the log view stands in for it.
        Window* mainView = nullptr;
        for (const std::string& name :
             {remembered.mainView, std::string("WC_VIEW_REPORT"), std::string("WC_VIEW_LOG")})
            if (!name.empty() &&
                (mainView = create(name, &self, IDW_VIEW_FIRST,
                                   QRect(splitterX + kSplitterWidth, 0, 100, 200), nullptr)))
                break;
        if (mainView)
            create("WC_VIEW_GRAPH", &self, IDW_VIEW_FIRST + 1,
                   QRect(splitterX + kSplitterWidth, 200, 100,
                         remembered.graphHeight ? remembered.graphHeight : kGraphHeight),
                   nullptr);
        setTitle(self);
    }

    void createToolbar(Window& self)
    {
        Window* bar = create(kToolbarClass, &self, IDW_ADD_FILTER_TOOLBAR, QRect(0, 2, 80, 20),
                             nullptr, WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | TBSTYLE_LIST);
        if (!bar)
            return;
        send(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
        send(bar, TB_SETBITMAPSIZE, 0, makeLParam(14, 14));
        const QPixmap images = filterImages();
        send(bar, TB_ADDBITMAP, 2, reinterpret_cast<LParam>(&images));
        TbButton add;
        add.image = 1;
        add.command = kCmdAddFilterMenu;
        add.state = TBSTATE_ENABLED;
        add.style = BTNS_DROPDOWN | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        add.text = QStringLiteral("追加");
        send(bar, TB_ADDBUTTONS, 1, reinterpret_cast<LParam>(&add));
    }

    // The toolbar's pictures, one strip: a funnel, plain and with a plus.
    static QPixmap filterImages()
    {
        QPixmap pixmap = toolkit::blankPixmap(QSize(28, 14));
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        for (const bool plus : {false, true}) {
            p.save();
            p.translate(plus ? 14 : 0, 0);
            drawFilterImage(p, plus);
            p.restore();
        }
        return pixmap;
    }

    static void drawFilterImage(QPainter& p, bool plus)
    {
        QPolygonF funnel;
        funnel << QPointF(1, 2) << QPointF(11, 2) << QPointF(7.2, 7) << QPointF(7.2, 12)
               << QPointF(4.8, 10.5) << QPointF(4.8, 7);
        QLinearGradient fill(0, 2, 0, 12);
        fill.setColorAt(0, QColor(110, 160, 220));
        fill.setColorAt(1, QColor(40, 90, 160));
        p.setPen(QPen(QColor(30, 60, 110), 0.8));
        p.setBrush(fill);
        p.drawPolygon(funnel);
        if (plus) {
            p.setPen(QPen(QColor(30, 130, 50), 2.0, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(11, 7.5), QPointF(11, 13.5));
            p.drawLine(QPointF(8, 10.5), QPointF(14, 10.5));
        }
    }

    void setTitle(Window& self)
    {
        QString title = QStringLiteral("Vexilo");
        if (child(&self, IDW_STORE)) {
            const auto* site = reinterpret_cast<const char*>(send(&self, UM_GETTITLE));
            if (site)
                title += QStringLiteral(" - ") + toolkit::fromCp932(site);
        }
        self.window()->setWindowTitle(title);
        platform::trace("title=%s", title.toUtf8().constData());
    }

    // Every direct child gets the message, in window order.
    void relay(Window& self, unsigned msg, WParam wParam, LParam lParam)
    {
        std::vector<QPointer<Window>> children;
        for (QObject* object : self.children())
            if (auto* window = qobject_cast<Window*>(object))
                children.push_back(window);
        for (const auto& window : children)
            if (window)
                send(window, msg, wParam, lParam);
    }

    void childrenChanged(Window& self)
    {
        // The add button works while there is room for another filter pane.
        const bool room = column(&self, IDW_FILTER_FIRST).size() < kMaxFilterPanes;
        send(child(&self, IDW_ADD_FILTER_TOOLBAR), TB_ENABLEBUTTON, kCmdAddFilterMenu, room);
        if (MainFrame* f = frame(self))
            f->updateMenuState();
    }

    LResult onNotify(Window& self, NotifyHeader* header)
    {
        if (!header || header->id != IDW_ADD_FILTER_TOOLBAR)
            return 0;
        if (header->code == TBN_DROPDOWN) {
            command(&self, kCmdAddFilterMenu);
            return TBDDRET_DEFAULT;
        }
        if (header->code == TTN_GETDISPINFO) {
            auto* request = reinterpret_cast<ToolTipRequest*>(header);
            if (request->item == kCmdAddFilterMenu)
                request->text = QStringLiteral("フィルタの追加");
        }
        return 0;
    }

    LResult onCommand(Window& self, int id, LParam arg)
    {
        if (const filters::KindInfo* filter = filters::kindOfCommand(id))
            return reinterpret_cast<LResult>(addFilter(self, filter->className, true));
        if (filters::viewOfCommand(id)) {
            Window* view = reinterpret_cast<Window*>(command(child(&self, IDW_VIEW_FIRST), id));
            if (view) {
                command(view, ID_REFRESH, kRefreshAll);
                view->show();
            }
            return reinterpret_cast<LResult>(view);
        }
        switch (id) {
        case kCmdNewAnalysis:
            if (settleTemporary(self))
                runWizard(self, std::string());
            return 0;
        case kCmdAddLogs: {
            const auto* path = reinterpret_cast<const char*>(send(&self, UM_GETPATH));
            if (path && *path && settleTemporary(self))
                runWizard(self, std::string(path));
            return 0;
        }
        case kCmdOpen:
            open(self, arg ? reinterpret_cast<const char*>(arg) : std::string(), arg != 0);
            return 0;
        case kCmdSave:
            save(self);
            return 0;
        case kCmdClose:
            if (settleTemporary(self))
                closeStore(self);
            return 0;
        case kCmdQuit:
            if (!settleTemporary(self))
                return 0;
            closeStore(self);
            remember(self);
            return 1;
        case kCmdDefaultChain:
            resetChain(self);
            return 0;
        case kCmdExit:
            QMetaObject::invokeMethod(self.window(), &QWidget::close, Qt::QueuedConnection);
            return 0;
        case kCmdRefresh:
            command(child(&self, IDW_PERIOD), ID_REFRESH, 0);
            return 0;
        case kCmdReload:
            send(child(&self, IDW_STORE), UM_RELOAD);
            return 0;
        case kCmdRebuildChain:
            return rebuildChain(self, reinterpret_cast<const std::vector<std::string>*>(arg));
        case kCmdAddFilterMenu:
            showFilterMenu(self);
            return 0;
        case kCmdSelectAll:
            selectAll();
            return 0;
        case kCmdUrlGroups:
            startWithLog(self, "Sortwell");
            return 0;
        case kCmdQueryDecoder:
            startWithLog(self, "Wordlens");
            return 0;
        case kCmdCompress:
            start(self, "crunchbox", {QStringLiteral("gzip")});
            return 0;
        case kCmdDecompress:
            start(self, "crunchbox", {QStringLiteral("ungzip")});
            return 0;
        case kCmdCombine:
            start(self, "combine", {});
            return 0;
        case kCmdSettingsFolder:
            desktop().openPath(platform::resFolder());
            return 0;
        case kCmdDataFolder:
            return desktop().makeHomeDir(self.window(), false);
        case kCmdHelp:
            openManual(self, "manual/index.html");
            return 0;
        case kCmdPrintManual:
            openManual(self, "manual/manual.pdf");
            return 0;
        case kCmdAbout:
            desktop().about();
            return 0;
        case kCmdHomePage:
            desktop().openUrl(QString::fromLatin1(kHomePage));
            return 0;
        default:
            return 0;
        }
    }

    // A new filter pane of a class: it takes its id and place itself. Null when the class
    // is not there.
    Window* addFilter(Window& self, const char* className, bool refresh)
    {
        Window* pane = create(className, &self, 0, QRect(), nullptr, 0);
        if (!pane)
            return nullptr;
        if (refresh)
            command(pane, ID_REFRESH, kRefreshAll);
        pane->show();
        return pane;
    }

    // The analysis wizard for a new analysis (appendTo "") or for adding logs; its result
    // is opened as a temporary log in a new store window.
    void runWizard(Window& self, const std::string& appendTo)
    {
        char buffer[kPathBuffer] = {};
        std::memcpy(buffer, appendTo.c_str(),
                    std::min<std::size_t>(appendTo.size(), kPathBuffer - 1));
        const std::string config = platform::dataFilePath("conf.ini");
        if (!desktop().runWizard(self.window(), buffer, sizeof buffer, config.c_str()))
            return;
        closeStore(self);
        if (*buffer)
            openStore(self, buffer, true);
    }

    void open(Window& self, std::string path, bool fromCommandLine)
    {
        if (!fromCommandLine) {
            path = desktop().openFileName(self.window());
            if (path.empty())
                return;
        }
        if (!settleTemporary(self))
            return;
        closeStore(self);
        if (!path.empty())
            openStore(self, path, false);
    }

    void openStore(Window& self, const std::string& path, bool temporary)
    {
        m_opening = path; // the argument lives until the command returns
        QPointer<Window> store = create("WC_LOGCONTAINER", &self, IDW_STORE, QRect(), nullptr, 0);
        const LResult failed = command(store, temporary ? kCmdNewAnalysis : kCmdOpen,
                                       reinterpret_cast<LParam>(m_opening.c_str()));
        // The chain the log was left with, as it was (a temporary log has none yet).
        if (!failed && !temporary && store && filters::logOf(&self))
            restoreChain(self, store::loadChain(platform::homeDir(), m_opening));
    }

    // Before a temporary analysed log goes (another log, a new analysis, closing, quitting):
    // the user says whether to save it first. False when the user would rather keep it
    // open (Cancel, or a save that did not happen).
    bool settleTemporary(Window& self)
    {
        Window* store = child(&self, IDW_STORE);
        if (!store || !send(store, UM_ISTEMPORARY))
            return true;
        switch (desktop().askToSave(self.window())) {
        case QMessageBox::Yes:
            save(self);
            return !send(store, UM_ISTEMPORARY);
        case QMessageBox::No:
            return true;
        default:
            return false;
        }
    }

    // Closes the open log; a log saved under a name keeps its chain for the next open.
    void closeStore(Window& self)
    {
        Window* store = child(&self, IDW_STORE);
        if (!store)
            return;
        if (!send(store, UM_ISTEMPORARY) && filters::logOf(&self)) {
            const auto* path = reinterpret_cast<const char*>(send(store, UM_GETPATH));
            if (path && *path)
                if (const int rc = store::saveChain(platform::homeDir(), path,
                                                    store::collectPaneStates(&self)))
                    platform::trace("chain not kept err=%d", rc);
        }
        send(store, WM_CLOSE);
    }

    static std::vector<std::string> defaultChain()
    {
        const std::string page = filters::kindInfo(filters::Kind::Req).className;
        return {page, page};
    }

    void addChain(Window& self, const std::vector<std::string>& classes)
    {
        for (const std::string& name : classes)
            addFilter(self, name.c_str(), true);
    }

    // The filter panes of a saved chain, then every pane's state.
    void restoreChain(Window& self, const std::vector<store::SavedPane>& saved)
    {
        std::vector<std::string> classes;
        for (const store::SavedPane& pane : saved)
            if (pane.id >= IDW_FILTER_FIRST && pane.id < IDW_VIEW_FIRST &&
                pane.id - IDW_FILTER_FIRST == static_cast<int>(classes.size()) &&
                classes.size() < kMaxFilterPanes && filters::kindOfClass(pane.className))
                classes.push_back(pane.className);
        if (classes.empty())
            return;
        rebuildChain(self, &classes);
        store::restorePaneStates(&self, saved);
    }

    // The chain the program starts with: two page panes and the period's last 31 days; the
    // open log forgets the chain it was left with.
    void resetChain(Window& self)
    {
        if (Window* store = child(&self, IDW_STORE))
            if (const auto* path = reinterpret_cast<const char*>(send(store, UM_GETPATH)))
                store::forgetChain(platform::homeDir(), path);
        const std::vector<std::string> none;
        rebuildChain(self, &none);
        addChain(self, defaultChain());
        if (Window* period = child(&self, IDW_PERIOD))
            if (filters::logOf(&self)) {
                send(period, UM_LOGOPENED); // its days and its preselected last 31 days again
                command(period, ID_REFRESH, 0);
            }
        filters::layOutFilterColumn(&self);
    }

    // What the next start begins with.
    void remember(Window& self)
    {
        Remembered r;
        if (MainFrame* f = frame(self))
            r.geometry = f->saveGeometry();
        if (Window* splitter = child(&self, IDW_SPLITTER))
            r.filterColumnWidth = splitter->x();
        if (Window* graph = child(&self, IDW_VIEW_FIRST + 1))
            r.graphHeight = graph->height();
        if (Window* mainView = child(&self, IDW_VIEW_FIRST))
            r.mainView = mainView->className();
        for (Window* pane : filters::filterPanes(&self))
            r.chain.push_back(pane->className());
        writeRemembered(r);
    }

    void save(Window& self)
    {
        Window* store = child(&self, IDW_STORE);
        if (!store)
            return;
        const std::string path = desktop().saveFileName(self.window());
        if (!path.empty())
            command(store, kCmdSaveAs, reinterpret_cast<LParam>(path.c_str()));
    }

    LResult rebuildChain(Window& self, const std::vector<std::string>* classes)
    {
        const int n = classes ? static_cast<int>(classes->size()) : 0;
        int result = n;
        for (int i = 0; i < n; ++i) {
            const std::string& wanted = (*classes)[static_cast<std::size_t>(i)];
            Window* pane = child(&self, IDW_FILTER_FIRST + i);
            if (pane && pane->className() == wanted)
                continue;
            if (pane) {
                const filters::KindInfo* entry = filters::kindOfClass(wanted);
                auto* replaced =
                    entry ? reinterpret_cast<Window*>(command(pane, entry->command)) : nullptr;
                if (replaced)
                    replaced->show();
            } else {
                addFilter(self, wanted.c_str(), false);
            }
            result = std::min(result, i);
        }
        for (int id = IDW_FILTER_FIRST + n; Window* surplus = child(&self, id); ++id)
            send(surplus, WM_CLOSE);
        filters::layOutFilterColumn(&self);
        return result;
    }

    void showFilterMenu(Window& self)
    {
        MainFrame* f = frame(self);
        Window* bar = child(&self, IDW_ADD_FILTER_TOOLBAR);
        if (!f || !f->filterMenu())
            return;
        f->updateMenuState();
        const QPoint at = bar ? bar->mapToGlobal(QPoint(0, bar->height())) : QCursor::pos();
        f->filterMenu()->popup(at);
    }

    static void selectAll()
    {
        // Ctrl+A acts in a list pane only: the list (id 2000) passes it to its pane.
        if (QWidget* list = listOf(QApplication::focusWidget()))
            command(parentWindow(list), kCmdSelectAll);
    }

    void startWithLog(Window& self, const char* program)
    {
        const std::string path = platform::programPath(program);
        if (!platform::fileExists(path)) {
            errorBox(self.window(), QStringLiteral("%1 が見つかりません。\n%2")
                                        .arg(QString::fromLatin1(program), fromNative(path)));
            return;
        }
        const auto* log = reinterpret_cast<const char*>(send(&self, UM_GETPATH));
        QStringList arguments;
        if (log && *log)
            arguments << fromNative(log);
        start(self, program, arguments);
    }

    void start(Window& self, const char* program, const QStringList& arguments)
    {
        const std::string path = platform::programPath(program);
        if (!platform::fileExists(path) || !desktop().startProgram(path, arguments))
            errorBox(self.window(), QStringLiteral("%1 を起動できませんでした。\n%2")
                                        .arg(QString::fromLatin1(program), fromNative(path)));
    }

    void openManual(Window& self, const char* relative)
    {
        const std::string path = platform::programPath(relative);
        if (!platform::fileExists(path)) {
            QMessageBox::information(
                self.window(), QStringLiteral("Vexilo"),
                QStringLiteral("マニュアルが見つかりません。\n%1").arg(fromNative(path)));
            return;
        }
        if (desktop().openPath(path))
            return;
        // No program for it on this desktop: the pages in a window of our own.
        if (path.size() > 5 && path.compare(path.size() - 5, 5, ".html") == 0 &&
            desktop().showManual) {
            desktop().showManual(self.window(), path);
            return;
        }
        QMessageBox::information(
            self.window(), QStringLiteral("Vexilo"),
            QStringLiteral("このファイルを開くプログラムが見つかりません。\n%1")
                .arg(fromNative(path)));
    }

    // Places the panes: the columns end at the status bar; the filter column reaches the
    // splitter, the view column the right edge.
    void layout(Window& self, int width, int height)
    {
        Window* status = child(&self, IDW_STATUSBAR);
        const int statusHeight = status ? status->sizeHint().height() : 0;
        if (status)
            setWindowPos(status,
                         QRect(0, self.height() - statusHeight, self.width(), statusHeight));
        const int clientWidth = self.width();
        const int bottom = self.height() - statusHeight;
        const auto views = column(&self, IDW_VIEW_FIRST);
        if (width > 0 && height > 0) {
            if (views.size() == 1) // a lone view fills the column
                setWindowPos(views.back(),
                             QRect(views.back()->x(), 0, views.back()->width(), bottom));
            else if (!views.empty() && views.back()->height() < bottom)
                views.back()->move(views.back()->x(), bottom - views.back()->height());
        }
        Window* splitter = child(&self, IDW_SPLITTER);
        const int left = std::clamp(splitter ? splitter->x() : kSplitterStart, 0,
                                    std::max(0, clientWidth - kSplitterWidth));
        if (Window* bar = child(&self, IDW_ADD_FILTER_TOOLBAR)) {
            // The button whole with its label, whatever width it was squeezed to before.
            const int w = std::min(idealToolbarWidth(bar), left);
            setWindowPos(bar, QRect(left - w, 2, w, 20));
        }
        if (Window* period = child(&self, IDW_PERIOD))
            setWindowPos(period, QRect(0, 24, left, 20));
        if (splitter)
            setWindowPos(splitter, QRect(left, 0, kSplitterWidth, bottom));
        filters::layOutFilterColumn(&self);
        // Each view reaches down to the next one; the last one sits on the status bar.
        for (std::size_t i = 0; i < views.size(); ++i) {
            Window* view = views[i];
            const int viewBottom =
                i + 1 < views.size() ? views[i + 1]->y() : view->y() + view->height();
            setWindowPos(view, QRect(left + kSplitterWidth, view->y(),
                                     std::max(0, clientWidth - left - kSplitterWidth),
                                     std::max(0, viewBottom - view->y())));
        }
        if (status)
            status->update();
    }

    std::string m_workFolder;
    std::string m_opening;
};

} // namespace

Desktop realDesktop()
{
    Desktop d;
    d.runWizard = [](QWidget* owner, char* path, std::size_t size, const char* config) {
        return uiRunWizAna(owner, path, size, config);
    };
    d.makeHomeDir = [](QWidget* owner, bool ask) { return uiMakeHomeDir(owner, ask); };
    d.about = [] { uiDoSplash("", nullptr, 0); };
    d.openPath = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(fromNative(path)));
    };
    d.showManual = [](QWidget* owner, const std::string& page) {
        showManualWindow(owner, fromNative(page));
    };
    d.openUrl = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    d.startProgram = [](const std::string& program, const QStringList& arguments) {
        return QProcess::startDetached(fromNative(program), arguments);
    };
    const QString filter = QStringLiteral("Analyzed Log File(*.vxlog) (*.vxlog)");
    d.openFileName = [filter](QWidget* owner) {
        return toolkit::askFileName(owner, toolkit::FileDialogKind::Open, filter);
    };
    d.saveFileName = [filter](QWidget* owner) {
        return toolkit::askFileName(owner, toolkit::FileDialogKind::Save, filter,
                                    QStringLiteral("vxlog"));
    };
    d.askToSave = [](QWidget* owner) {
        return static_cast<int>(QMessageBox::question(
            owner, QStringLiteral("Vexilo"),
            QStringLiteral("新しいログ解析の結果はまだ保存されていません。\n保存しますか？"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes));
    };
    return d;
}

void setDesktop(Desktop d)
{
    desktop() = std::move(d);
}

void registerMainWindow()
{
    registerClass(
        kMainClass, [](void*) { return std::make_unique<MainHandler>(); },
        [](QWidget* parent) { return new MainClient(parent); });
    registerStatusBar();
}

MainFrame::MainFrame()
{
    setWindowTitle(QStringLiteral("Vexilo"));
    setMinimumHeight(200);
    resize(1180, 760);
    // The size and place of the last run; a first run fits the screen it starts on.
    if (!restoreGeometry(readRemembered().geometry))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            resize(size().boundedTo(screen->availableGeometry().size() * 0.95));
    buildMenus();
    // The client is made after the menus: its creation already adds panes, which place
    // themselves in the client's size.
    auto* main = toolkit::create(kMainClass, this, 0, QRect(0, 0, 1180, 700), nullptr);
    if (main) {
        setCentralWidget(main);
        m_main = main;
    }
    qApp->installEventFilter(this);
    updateMenuState();
}

MainFrame::~MainFrame()
{
    qApp->removeEventFilter(this);
}

QAction* MainFrame::addCommand(QMenu* menu, const QString& text, int id,
                               const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(text);
    action->setData(id);
    if (!shortcut.isEmpty()) {
        // The accelerator acts only while its entry is enabled, as the menu shows it.
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    connect(action, &QAction::triggered, this, [this, id] {
        if (m_main)
            command(m_main, id);
    });
    return action;
}

void MainFrame::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    addCommand(file, QStringLiteral("新しいログ解析(&N)"), kCmdNewAnalysis);
    addCommand(file, QStringLiteral("ログの追加(&A)"), kCmdAddLogs);
    file->addSeparator();
    addCommand(file, QStringLiteral("解析済みログを開く(&O)"), kCmdOpen,
               QKeySequence(Qt::CTRL | Qt::Key_O));
    addCommand(file, QStringLiteral("解析済みログを保存(&A)"), kCmdSave,
               QKeySequence(Qt::CTRL | Qt::Key_S));
    addCommand(file, QStringLiteral("閉じる(&C)"), kCmdClose);
    file->addSeparator();
    QAction* exit = addCommand(file, QStringLiteral("終了(&X)"), kCmdExit);
    exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    m_viewMenu = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    addCommand(m_viewMenu, QStringLiteral("再描画(&R)"), kCmdRefresh, QKeySequence(Qt::Key_F5));
    m_viewMenu->addSeparator();
    m_filterMenu = m_viewMenu->addMenu(QStringLiteral("フィルタの追加(&F)"));
    for (const filters::KindInfo& entry : filters::allKinds())
        addCommand(m_filterMenu, QString::fromUtf8(entry.title), entry.command);
    m_mainViewMenu = m_viewMenu->addMenu(QStringLiteral("メイン・ビューの変更(&V)"));
    for (const filters::ViewClass& entry : filters::kViewClasses)
        addCommand(m_mainViewMenu, QString::fromUtf8(entry.menuText), entry.command);
    m_viewMenu->addSeparator();
    addCommand(m_viewMenu, QStringLiteral("フィルタを初期状態に戻す(&D)"), kCmdDefaultChain);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("ツール(&T)"));
    addCommand(tools, QStringLiteral("URLグループの編集(&G)"), kCmdUrlGroups);
    tools->addSeparator();
    addCommand(tools, QStringLiteral("ログ・ファイルの圧縮(&O)"), kCmdCompress);
    addCommand(tools, QStringLiteral("ログ･ファイルの解凍(&D)"), kCmdDecompress);
    addCommand(tools, QStringLiteral("ログ・ファイルの結合(&C)"), kCmdCombine);
    tools->addSeparator();
    addCommand(tools, QStringLiteral("検索クエリ・デコーダ(&Q)"), kCmdQueryDecoder);
    tools->addSeparator();
    addCommand(tools, QStringLiteral("設定フォルダを開く(&O)"), kCmdSettingsFolder);
    addCommand(tools, QStringLiteral("データ保存フォルダの変更(&H)"), kCmdDataFolder);

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    addCommand(help, QStringLiteral("ヘルプ(&H)"), kCmdHelp);
    addCommand(help, QStringLiteral("印刷用マニュアル(&M)"), kCmdPrintManual);
    help->addSeparator();
    addCommand(help, QStringLiteral("製品ホームページ(&P)"), kCmdHomePage);
    addCommand(help, QStringLiteral("バージョン情報(&V)"), kCmdAbout);

    for (QMenu* menu : {file, m_viewMenu, m_filterMenu, m_mainViewMenu, tools, help})
        connect(menu, &QMenu::aboutToShow, this, &MainFrame::updateMenuState);

    // Ctrl+A is an accelerator without a menu entry.
    auto* selectAll = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this);
    connect(selectAll, &QShortcut::activated, this, [this] {
        if (m_main)
            command(m_main, kCmdSelectAll);
    });
}

void MainFrame::updateMenuState()
{
    const bool open = m_main && child(m_main, IDW_STORE);
    const auto setEnabled = [&](QMenu* menu, auto rule) {
        for (QAction* action : menu->actions())
            if (action->data().isValid())
                action->setEnabled(rule(action->data().toInt()));
    };
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        setEnabled(menu, [&](int id) {
            if (id == kCmdSave || id == kCmdClose || id == kCmdAddLogs || id == kCmdUrlGroups)
                return open;
            if (const filters::ViewClass* view = filters::viewOfCommand(id)) {
                // The entry of a view that is on show is grayed.
                for (QObject* object : m_main ? m_main->children() : QObjectList())
                    if (auto* pane = qobject_cast<Window*>(object))
                        if (pane->id() >= IDW_VIEW_FIRST && pane->className() == view->className &&
                            pane->isVisible())
                            return false;
            }
            return true;
        });
    }
}

void MainFrame::closeEvent(QCloseEvent* event)
{
    // Not while a modal dialog (a load, the wizard) is running over the window.
    if (QApplication::activeModalWidget()) {
        event->ignore();
        return;
    }
    // An unsaved analysis is asked about; what the window looks like is remembered.
    if (m_main && !command(m_main, kCmdQuit)) {
        event->ignore();
        return;
    }
    if (m_main) {
        Window* main = m_main;
        m_main = nullptr;
        // WM_DESTROY to the main window, then to every pane; the store says UM_LOGCLOSED
        // and deletes a temporary log on its way out.
        closeWindow(main);
    }
    event->accept();
    QMainWindow::closeEvent(event);
    // The program ends with its main window, even while the splash or another top-level
    // window of the program is still up.
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !m_main || widget->window() != this)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyRelease:
        // Escape released in a list clears its pane's selection; only when it was pressed
        // there too (the release after Escape closed a dialog lands on the list).
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
            !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
            QWidget* list = listOf(widget);
            if (list && list == m_escapePressedIn)
                post(parentWindow(list), WM_COMMAND, ID_EDIT_CLEAR, 0);
            m_escapePressedIn = nullptr;
            m_escapeEvent = nullptr;
        }
        break;
    case QEvent::KeyPress: {
        // An event a child ignores comes here again for each parent: the first is the one.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && event != m_escapeEvent) {
            m_escapeEvent = event;
            m_escapePressedIn = listOf(widget);
        }
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrlOrAlt = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        // F6 and Shift+F6 go from pane to pane, wherever the focus is.
        if (key->key() == Qt::Key_F6 && !ctrlOrAlt) {
            if (focusNextPane(widget, key->modifiers() & Qt::ShiftModifier))
                return true;
            break;
        }
        if ((key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) || ctrlOrAlt)
            break; // Ctrl+Tab is not the window's
        // Tab inside the flow view moves between its boxes, not through the whole window.
        Window* owner = nullptr;
        for (QWidget* w = widget; w && !owner; w = w->parentWidget())
            owner = qobject_cast<Window*>(w);
        Window* parent = owner ? parentWindow(owner) : nullptr;
        if (!parent)
            break;
        const QString name = QString::fromStdString(parent->className());
        const WParam shift = key->key() == Qt::Key_Backtab ? 1 : 0;
        if (name.compare(QStringLiteral("WC_FLOWITEM"), Qt::CaseInsensitive) == 0 ||
            name.startsWith(QStringLiteral("WC_FLOWITEM"), Qt::CaseInsensitive)) {
            send(parentWindow(parentWindow(parent)), WM_KEYDOWN, VK_TAB, shift);
            return true;
        }
        if (name.compare(QStringLiteral("WC_TAB_FLOW"), Qt::CaseInsensitive) == 0) {
            send(parent, WM_KEYDOWN, VK_TAB, shift);
            return true;
        }
        // The flow view's boxes take Tab round themselves; elsewhere Tab and Shift+Tab go
        // from pane to pane, and no selection changes on the way.
        if (owner->className().rfind("WC_FLOW", 0) == 0)
            break;
        // In the embedded browser Tab goes from link to link (F6 still leaves it).
        if (owner->className() == "WC_GLINTL")
            break;
        if (focusNextPane(widget, shift != 0))
            return true;
        break;
    }
    case QEvent::Wheel: {
        // The wheel scrolls what is under the pointer, which takes the focus.
        QWidget* under = QApplication::widgetAt(QCursor::pos());
        if (under && under != widget && !under->hasFocus() && under->focusPolicy() != Qt::NoFocus &&
            under->window() == this)
            under->setFocus(Qt::MouseFocusReason);
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainFrame::focusNextPane(QWidget* from, bool backwards)
{
    // The panes in their order: the period, the filter panes, the views on show.
    std::vector<Window*> panes;
    if (Window* period = child(m_main, IDW_PERIOD))
        panes.push_back(period);
    for (Window* pane : filters::filterPanes(m_main))
        panes.push_back(pane);
    for (int id = IDW_VIEW_FIRST; Window* view = child(m_main, id); ++id)
        if (view->isVisible())
            panes.push_back(view);
    int at = -1;
    for (QWidget* w = from; w && at < 0; w = w->parentWidget())
        for (std::size_t i = 0; i < panes.size(); ++i)
            if (panes[i] == w)
                at = static_cast<int>(i);
    if (at < 0 || panes.empty())
        return false;
    const int n = static_cast<int>(panes.size());
    for (int step = 1; step <= n; ++step) {
        Window* pane = panes[static_cast<std::size_t>((at + (backwards ? -step : step) + n) % n)];
        // The pane's list, else the first control of its content that takes the focus (the
        // report's page), else the first of its other controls.
        QWidget* target = pane->findChild<toolkit::StatList*>();
        const auto firstFocusable = [](QWidget* in) -> QWidget* {
            for (QWidget* w : in ? in->findChildren<QWidget*>() : QList<QWidget*>())
                if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
                    return w;
            return nullptr;
        };
        if (!target || !target->isVisible())
            target = firstFocusable(child(pane, filters::kContentId));
        if (!target || !target->isVisible())
            target = firstFocusable(pane);
        if (target && target->isVisible()) {
            target->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

} // namespace mainwin
