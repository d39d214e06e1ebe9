#include "store/store_window.h"

#include "import/new_only.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "store/label_steps.h"
#include "store/load_failure.h"
#include "store/log_container.h"
#include "store/queries.h"
#include "store/view_state.h"
#include "toolkit/window.h"

#include <QMessageBox>
#include <cstdio>
#include <map>
#include <memory>
#include <unistd.h>

namespace store {
namespace {

using namespace toolkit;

// What the load's worker needs; lives on the store window's stack during the load.
struct LoadJob
{
    LogContainer* log;
    std::string reportFolder;
    bool reload;
};

int runLoadJob(UiLabel* label, std::atomic<float>* progress, void* context)
{
    auto* job = static_cast<LoadJob*>(context);
    LabelSteps steps(label);
    return job->log->LoadPipeline(&steps, *progress, job->reload, job->reportFolder);
}

QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void errorBox(Window& self, const QString& text)
{
    QMessageBox::critical(self.window(), QStringLiteral("LogContainer"), text);
}

// The panes whose state a reload keeps: the period pane, then the filter panes and the
// view panes in id order, each run ending at the first missing id.
template <typename F> void eachPane(QWidget* main, F f)
{
    if (Window* period = child(main, IDW_PERIOD))
        f(*period);
    for (const int first : {IDW_FILTER_FIRST, IDW_VIEW_FIRST})
        for (int id = first; Window* pane = child(main, id); ++id)
            f(*pane);
}

class StoreWindow final : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_COMMAND:
            switch (loWord(wParam)) {
            case kOpenTemporary:
            case kOpen:
                return open(self, reinterpret_cast<const char*>(lParam),
                            loWord(wParam) == kOpenTemporary);
            case kSaveAs:
                return saveAs(self, reinterpret_cast<const char*>(lParam));
            }
            return 0;
        case WM_TIMER:
            if (static_cast<int>(wParam) == kGroupWatchTimer)
                watchGroupFile(self);
            return 0;
        case UM_RELOAD:
            reload(self);
            return 0;
        case UM_HOSTRESOLVED:
            hostResolved(m_attached, static_cast<std::uint32_t>(wParam),
                         reinterpret_cast<const char*>(lParam));
            return 0;
        case UM_GETPATH:
            return m_attached && lParam == 0
                       ? reinterpret_cast<LResult>(m_attached->logPath.c_str())
                       : 0;
        case UM_GETRECORDS:
            return getRecords(m_attached, reinterpret_cast<LogRecord**>(lParam));
        case UM_GETHOSTS:
            return getHosts(m_attached, reinterpret_cast<HostEntry**>(lParam));
        case UM_GETFRAGMENTS:
            return getFragments(m_attached, reinterpret_cast<Fragment**>(lParam));
        case UM_GETVISITORS:
            return getVisitors(m_attached, reinterpret_cast<VisitorEntry**>(lParam));
        case UM_GETLOGCONTAINER:
            return reinterpret_cast<LResult>(m_attached);
        case UM_ISTEMPORARY:
            return m_attached && m_log->temporary ? 1 : 0;
        case UM_GETTITLE:
            return m_attached ? reinterpret_cast<LResult>(getTitle(m_attached)) : 0;
        case UM_GETGROUPSET:
            return reinterpret_cast<LResult>(getGroupSet(m_attached));
        case UM_ISGROUPNAME:
            return isGroupName(m_attached, reinterpret_cast<const char*>(lParam)) ? 1 : 0;
        case UM_STRIPLOCALSITE:
            return reinterpret_cast<LResult>(
                stripLocalSite(m_attached, reinterpret_cast<const char*>(lParam)));
        case WM_DESTROY:
            destroyed(self);
            return 0;
        default:
            return defaultProc(self, msg, wParam, lParam);
        }
    }

  private:
    // Runs the load under the Loading dialog; the tables are not reachable meanwhile.
    int load(Window& self, bool reload)
    {
        const auto* folder =
            reinterpret_cast<const char*>(send(parentWindow(&self), UM_GETPATH, 0, 1));
        LoadJob job{m_log.get(), folder ? folder : "", reload};
        m_attached = nullptr;
        const int rc = uiAsyncOpen(self.window(), &runLoadJob, &job);
        m_attached = m_log.get();
        return rc;
    }

    LResult open(Window& self, const char* path, bool temporary)
    {
        if (m_log || !path)
            return 0; // one log per store window
        m_log = std::make_unique<LogContainer>();
        m_log->logPath = path;
        m_log->temporary = temporary;
        int rc = load(self, false);
        if (rc == 0)
            rc = static_cast<int>(send(parentWindow(&self), UM_LOGOPENED));
        if (rc == 0) {
            m_groupFile = platform::dataFilePath(m_log->LocalSite + ".urlgrp");
            m_groupFileTime = platform::lastWriteTime(m_groupFile);
            self.setTimer(kGroupWatchTimer, 1000);
            createHostCache(self);
            return 0;
        }
        if (rc != platform::kErrCancelled)
            errorBox(self, fromUtf8(openFailureText(rc, m_log->trouble)));
        post(&self, WM_CLOSE);
        return rc;
    }

    LResult saveAs(Window& self, const char* path)
    {
        if (!m_attached || !path || !*path)
            return 0;
        const std::string from = m_log->logPath;
        // Saving onto itself only makes a temporary log permanent.
        int rc = platform::sameFile(from, path) ? 0 : platform::copyFile(from, path);
        if (rc) {
            errorBox(self, QStringLiteral("保存に失敗しました"));
            return 1;
        }
        // What the log has read of its access logs goes with it (--new-only, the wizard's
        // append): stamped for the copy, or gone when the copy's would be stale.
        if (!platform::sameFile(from, path)) {
            const sievra::ReadState read = sievra::loadReadState(from);
            if (!read.trusted || sievra::saveReadState(path, read) != 0)
                ::unlink(sievra::readStatePath(path).c_str());
        }
        if (m_log->temporary && !platform::sameFile(from, path)) {
            ::unlink(from.c_str());
            ::unlink(sievra::readStatePath(from).c_str());
        }
        m_log->logPath = path;
        m_log->temporary = false;
        return 0;
    }

    // The URL-group file counts as changed when it is newer than last seen, or when it
    // disappeared; both reload the log.
    void watchGroupFile(Window& self)
    {
        if (m_reloading || !m_attached)
            return;
        const std::int64_t time = platform::lastWriteTime(m_groupFile);
        const bool changed =
            (time != 0 && time > m_groupFileTime) || (time == 0 && m_groupFileTime != 0);
        m_groupFileTime = time;
        if (changed)
            send(&self, UM_RELOAD);
    }

    void reload(Window& self)
    {
        if (m_reloading || !m_attached)
            return;
        m_reloading = true;
        QWidget* main = self.parentWidget();
        const std::vector<SavedPane> states = collectPaneStates(main);
        if (Window* cache = child(&self, IDW_HOSTCACHE))
            send(cache, WM_CLOSE);
        send(parentWindow(&self), UM_LOGCLOSED);
        int rc = load(self, true);
        if (rc == 0)
            rc = static_cast<int>(send(parentWindow(&self), UM_LOGOPENED));
        m_reloading = false;
        if (rc) {
            post(&self, WM_CLOSE);
            return;
        }
        createHostCache(self);
        restorePaneStates(main, states);
    }

    void createHostCache(Window& self)
    {
        create(kHostCacheClass, &self, IDW_HOSTCACHE, QRect(), nullptr, 0);
    }

    void destroyed(Window& self)
    {
        self.killTimer(kGroupWatchTimer);
        m_attached = nullptr;
        send(parentWindow(&self), UM_LOGCLOSED);
        if (m_log && m_log->temporary && !m_log->logPath.empty()) {
            ::unlink(m_log->logPath.c_str());
            ::unlink(sievra::readStatePath(m_log->logPath).c_str());
        }
        m_log.reset();
    }

    std::unique_ptr<LogContainer> m_log; // owned from the open on
    LogContainer* m_attached = nullptr;  // null while a load runs
    std::string m_groupFile;
    std::int64_t m_groupFileTime = 0;
    bool m_reloading = false;
};

} // namespace

std::vector<SavedPane> collectPaneStates(QWidget* main)
{
    std::vector<SavedPane> states;
    eachPane(main, [&](Window& pane) {
        states.push_back({pane.id(), pane.className(), {}});
        send(&pane, WM__GETVIEWSTATE, 0, reinterpret_cast<LParam>(&states.back().state));
    });
    return states;
}

void restorePaneStates(QWidget* main, const std::vector<SavedPane>& states)
{
    eachPane(main, [&](Window& pane) {
        const ViewState* state = nullptr;
        for (const SavedPane& saved : states)
            if (saved.id == pane.id() && saved.className == pane.className())
                state = &saved.state;
        const ViewState none;
        send(&pane, WM__SETVIEWSTATE, 0, reinterpret_cast<LParam>(state ? state : &none));
    });
    command(child(main, IDW_VIEW_FIRST), ID_REFRESH, kRefreshAll);
}

void registerStoreWindow()
{
    registerClass(kStoreWindowClass, [](void*) { return std::make_unique<StoreWindow>(); });
}

} // namespace store
