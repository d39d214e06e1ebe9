#include "toolkit/window.h"

#include "toolkit/controls.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QTimerEvent>
#include <atomic>
#include <mutex>
#include <new>

namespace toolkit {
namespace {

// Posted messages not delivered yet, and running short timers (queuedWork).
std::atomic<int> g_postedMessages{0};
int g_shortTimers = 0; // of the user-interface thread
constexpr int kShortTimerMillis = 100;

// A posted message on its way through the event loop.
class MessageEvent : public QEvent
{
  public:
    static QEvent::Type kind()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    MessageEvent(unsigned message, WParam w, LParam l)
        : QEvent(kind()), msg(message), wParam(w), lParam(l)
    {
        ++g_postedMessages;
    }
    ~MessageEvent() override { --g_postedMessages; }
    MessageEvent(const MessageEvent&) = delete;
    MessageEvent& operator=(const MessageEvent&) = delete;
    unsigned msg;
    WParam wParam;
    LParam lParam;
};

struct ClassEntry
{
    HandlerFactory handler;
    WidgetFactory widget;
};

struct Registry
{
    std::mutex lock;
    std::map<std::string, ClassEntry, std::less<>> classes;
};

Registry& registry()
{
    static Registry* instance = [] {
        auto* r = new Registry; // never destroyed: registrations may run at exit
        registerToolkitClasses([r](std::string_view name, HandlerFactory h, WidgetFactory w) {
            r->classes[std::string(name)] = ClassEntry{std::move(h), std::move(w)};
        });
        return r;
    }();
    return *instance;
}

} // namespace

LResult defaultProc(Window& self, unsigned msg, WParam, LParam lParam)
{
    switch (msg) {
    case WM_SETTEXT:
        self.setWindowTitle(lParam ? *reinterpret_cast<const QString*>(lParam) : QString());
        return 1;
    case WM_GETTEXT:
        if (lParam)
            *reinterpret_cast<QString*>(lParam) = self.windowTitle();
        return self.windowTitle().size();
    case WM_GETTEXTLENGTH:
        return self.windowTitle().size();
    case WM_SETFONT:
        if (lParam)
            self.setFont(*reinterpret_cast<const QFont*>(lParam));
        return 0;
    case WM_GETFONT:
        if (lParam)
            *reinterpret_cast<QFont*>(lParam) = self.font();
        return 1;
    case WM_CLOSE:
        closeWindow(&self);
        return 0;
    default:
        return 0;
    }
}

Window::Window(QWidget* parent) : QWidget(parent) {}

Window::~Window()
{
    sendDestroy();
}

void Window::sendDestroy()
{
    if (m_destroySent)
        return;
    m_destroySent = true;
    for (const auto& [ours, timer] : m_timers) {
        QObject::killTimer(timer.qt);
        if (timer.millis < kShortTimerMillis)
            --g_shortTimers;
    }
    m_timers.clear();
    if (m_handler)
        m_handler->onMessage(*this, WM_DESTROY, 0, 0);
    // Children go after their parent heard WM_DESTROY and while its handler still lives:
    // what they say to it on their way out (a store announcing UM_LOGCLOSED) still arrives.
    for (QObject* object : children())
        if (auto* window = qobject_cast<Window*>(object))
            window->sendDestroy();
    // The handler hears nothing more, but lives on with the widget: it may be the one
    // that asked for the close and still be running.
    m_retired = std::move(m_handler);
}

LResult Window::dispatch(unsigned msg, WParam wParam, LParam lParam)
{
    // The boundary of every handler: an exception ends this message, not the program.
    try {
        if (m_handler)
            return m_handler->onMessage(*this, msg, wParam, lParam);
        return defaultProc(*this, msg, wParam, lParam);
    } catch (...) {
        reportException(std::current_exception());
        return 0;
    }
}

void Window::setTimer(int timerId, int millis)
{
    killTimer(timerId);
    if (m_destroySent)
        return;
    millis = millis < 0 ? 0 : millis;
    const int qt = startTimer(millis);
    if (qt) {
        m_timers[timerId] = {qt, millis};
        if (millis < kShortTimerMillis)
            ++g_shortTimers;
    }
}

bool Window::killTimer(int timerId)
{
    const auto it = m_timers.find(timerId);
    if (it == m_timers.end())
        return false;
    QObject::killTimer(it->second.qt);
    if (it->second.millis < kShortTimerMillis)
        --g_shortTimers;
    m_timers.erase(it);
    return true;
}

bool Window::event(QEvent* event)
{
    if (event->type() == MessageEvent::kind()) {
        const auto* message = static_cast<MessageEvent*>(event);
        dispatch(message->msg, message->wParam, message->lParam);
        return true;
    }
    return QWidget::event(event);
}

void Window::timerEvent(QTimerEvent* event)
{
    for (const auto& [ours, timer] : m_timers) {
        if (timer.qt == event->timerId()) {
            dispatch(WM_TIMER, static_cast<WParam>(ours), 0);
            return;
        }
    }
    QWidget::timerEvent(event);
}

LResult send(Window* to, unsigned msg, WParam wParam, LParam lParam)
{
    if (!to)
        return 0;
    if (QThread::currentThread() != to->thread()) {
        post(to, msg, wParam, lParam);
        return 0;
    }
    return to->dispatch(msg, wParam, lParam);
}

void post(Window* to, unsigned msg, WParam wParam, LParam lParam)
{
    if (to)
        QCoreApplication::postEvent(to, new MessageEvent(msg, wParam, lParam));
}

int queuedWork()
{
    return g_postedMessages.load() + g_shortTimers;
}

namespace {

std::function<void(const std::string&)>& errorReporter()
{
    static std::function<void(const std::string&)> reporter;
    return reporter;
}

// What the user reads (UTF-8): the kind of failure in words, and the library's own text.
std::string describe(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return "メモリが足りないため、処理を最後まで行えませんでした。";
    } catch (const std::exception& e) {
        return std::string("処理中に予期しないエラーが起きました。\n\n") + e.what();
    } catch (...) {
        return "処理中に予期しないエラーが起きました。";
    }
}

} // namespace

void setErrorReporter(std::function<void(const std::string& what)> reporter)
{
    errorReporter() = std::move(reporter);
}

void reportException(const std::exception_ptr& error)
{
    const std::string text = describe(error);
    // After the event that failed, and one box at a time: a failure repeated by every
    // refresh must not bury the user in boxes.
    static bool showing = false;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QTimer::singleShot(0, app, [text] {
        if (errorReporter()) {
            errorReporter()(text);
            return;
        }
        if (showing || !qobject_cast<QApplication*>(QCoreApplication::instance()))
            return;
        showing = true;
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Vexilo"),
                              QString::fromStdString(text));
        showing = false;
    });
}

LResult command(Window* to, int id, LParam arg)
{
    return send(to, WM_COMMAND, static_cast<WParam>(static_cast<unsigned>(id)), arg);
}

Window* child(QWidget* parent, int id)
{
    if (!parent)
        return nullptr;
    for (QObject* object : parent->children()) {
        auto* window = qobject_cast<Window*>(object);
        if (window && window->id() == id)
            return window;
    }
    return nullptr;
}

Window* parentWindow(const QWidget* widget)
{
    for (QWidget* p = widget ? widget->parentWidget() : nullptr; p; p = p->parentWidget()) {
        if (auto* window = qobject_cast<Window*>(p))
            return window;
    }
    return nullptr;
}

void registerClass(std::string_view className, HandlerFactory handler, WidgetFactory widget)
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.classes[std::string(className)] = ClassEntry{std::move(handler), std::move(widget)};
}

bool isClassRegistered(std::string_view className)
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return r.classes.find(className) != r.classes.end();
}

Window* create(std::string_view className, QWidget* parent, int id, const QRect& rect, void* param,
               unsigned style)
{
    ClassEntry entry;
    {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        const auto it = r.classes.find(className);
        if (it == r.classes.end())
            return nullptr;
        entry = it->second;
    }
    Window* window = entry.widget ? entry.widget(parent) : new Window(parent);
    window->setClassName(std::string(className));
    window->setId(id);
    window->setStyle(style);
    if (entry.handler)
        window->setHandler(entry.handler(param));
    // The handler knows its size at WM_CREATE. A null rect leaves the placement to the
    // window itself (a new filter pane takes its own place).
    if (!rect.isNull())
        window->setGeometry(rect);
    if (window->handler() &&
        window->dispatch(WM_CREATE, 0, reinterpret_cast<LParam>(param)) == -1) {
        destroy(window);
        return nullptr;
    }
    if (!rect.isNull())
        setWindowPos(window, rect);
    if (style & WS_VISIBLE)
        window->show();
    return window;
}

void closeWindow(Window* window)
{
    if (!window)
        return;
    // WM_DESTROY now; the widget itself goes when control is back in the event loop, so a
    // handler may close its own window. Until then it is out of its parent's children.
    window->sendDestroy();
    window->hide();
    window->setParent(nullptr);
    window->deleteLater();
}

void destroy(Window* window)
{
    if (!window)
        return;
    window->sendDestroy();
    delete window;
}

void setWindowPos(Window* window, const QRect& rect)
{
    if (window)
        window->setGeometry(window->positionChanging(rect));
}

void setTimer(Window* window, int timerId, int millis)
{
    if (window)
        window->setTimer(timerId, millis);
}

bool killTimer(Window* window, int timerId)
{
    return window && window->killTimer(timerId);
}

} // namespace toolkit
