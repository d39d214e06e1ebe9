#pragma once

// The window-object pattern on Qt. A Window is a QWidget with a control id, a class name
// and a handler object whose one virtual operation receives the application protocol:
// commands, the UM_/WM__ messages of messages.h, timers and the few notifications the
// panes use. Painting, mouse and keys stay ordinary Qt event overrides of the window
// classes. Windows are made by class name from registered factories and found by id
// under their parent.
//
// All windows live on the user-interface thread. send() and post() may be called from any
// thread; a message to a window of another thread is always posted.

#include "toolkit/messages.h"

#include <QRect>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class QPainter;

namespace toolkit {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

constexpr WParam makeWParam(int low, int high)
{
    return (static_cast<WParam>(static_cast<std::uint16_t>(high)) << 16) |
           static_cast<std::uint16_t>(low);
}
constexpr int loWord(WParam value)
{
    return static_cast<std::uint16_t>(value & 0xFFFF);
}
constexpr int hiWord(WParam value)
{
    return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}
constexpr LParam makeLParam(int low, int high)
{
    return static_cast<LParam>(makeWParam(low, high));
}

class Window;

// One per window, owned by it; it hears nothing after the window's WM_DESTROY and is
// deleted with the widget.
struct Handler
{
    virtual ~Handler() = default;
    virtual LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) = 0;
};

// What the window system does with a message no handler takes: window text and font are
// kept by the widget, everything else answers 0.
LResult defaultProc(Window& self, unsigned msg, WParam wParam, LParam lParam);

// The header of every WM_NOTIFY; a notification's own struct starts with it.
struct NotifyHeader
{
    QWidget* from = nullptr; // the control that sends it
    int id = 0;              // its control id
    int code = 0;
};

// TBN_DROPDOWN: the drop-down part of a toolbar button was pressed.
struct ToolbarNotify
{
    NotifyHeader hdr;
    int item = 0; // the button's command
    QRect button; // in the sending control's coordinates
};

// TTN_GETDISPINFO: the tooltip text of a toolbar button; the parent fills text.
struct ToolTipRequest
{
    NotifyHeader hdr;
    int item = 0; // the button's command
    QString text;
};

// Owner drawing of a combo box's items (WM_DRAWITEM, WM_MEASUREITEM, WM_COMPAREITEM);
// wParam is the control id.
struct DrawItem
{
    unsigned ctlType = ODT_COMBOBOX;
    int ctlId = 0;
    int itemId = -1;        // -1: nothing to draw but the focus
    unsigned itemState = 0; // ODS_*
    QPainter* painter = nullptr;
    QRect rect;
    LParam itemData = 0;
    QString text; // the item's string, when the control keeps strings
};

struct MeasureItem
{
    unsigned ctlType = ODT_COMBOBOX;
    int ctlId = 0;
    int itemId = -1; // -1: the selection field
    int itemWidth = 0;
    int itemHeight = 0; // filled in by the parent
    LParam itemData = 0;
};

struct CompareItem
{
    unsigned ctlType = ODT_COMBOBOX;
    int ctlId = 0;
    int itemId1 = -1;
    LParam itemData1 = 0;
    int itemId2 = -1;
    LParam itemData2 = 0;
};

class Window : public QWidget
{
    Q_OBJECT

  public:
    explicit Window(QWidget* parent = nullptr);
    ~Window() override;

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    const std::string& className() const { return m_className; }
    void setClassName(std::string name) { m_className = std::move(name); }
    unsigned style() const { return m_style; }
    void setStyle(unsigned style) { m_style = style; }

    Handler* handler() const { return m_handler.get(); }
    void setHandler(std::unique_ptr<Handler> handler) { m_handler = std::move(handler); }

    // The handler's answer to msg, or defaultProc's when there is no handler.
    LResult dispatch(unsigned msg, WParam wParam, LParam lParam);

    // Starts (or restarts) the timer `timerId`: WM_TIMER with wParam timerId every
    // `millis` ms until killed or the window goes away.
    void setTimer(int timerId, int millis);
    bool killTimer(int timerId);
    bool hasTimer(int timerId) const { return m_timers.count(timerId) != 0; }

    // The position-changing step of every placement made through setWindowPos (and of
    // create): a window class may adjust the proposed geometry.
    virtual QRect positionChanging(const QRect& proposed) { return proposed; }

    // Sends WM_DESTROY once, to the window and then to its child windows; the handler gets
    // no message after it and is deleted with the widget (destroy() and the destructor
    // do; a subclass calls it in its own destructor so that handlers may use its
    // members).
    void sendDestroy();

  protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    int m_id = 0;
    std::string m_className;
    unsigned m_style = 0;
    std::unique_ptr<Handler> m_handler;
    std::unique_ptr<Handler> m_retired; // after WM_DESTROY, until the widget goes
    struct Timer
    {
        int qt;     // Qt's timer id
        int millis; // its interval
    };
    std::map<int, Timer> m_timers; // by our id
    bool m_destroySent = false;
};

// Synchronous call of the window's handler; 0 for a null window. From another thread the
// message is posted instead and 0 returned.
LResult send(Window* to, unsigned msg, WParam wParam = 0, LParam lParam = 0);
// Queued through the event loop of the window's thread; callable from any thread. The
// window must exist when post is called; a message still queued when it goes away is
// dropped.
void post(Window* to, unsigned msg, WParam wParam = 0, LParam lParam = 0);
// A command with its argument: WM_COMMAND, wParam id, lParam arg.
LResult command(Window* to, int id, LParam arg = 0);

// Work the windows have queued and not done yet: posted messages still on their way, and
// running timers of less than 100 ms (a pane's selection timer, a canvas still scrolling).
// 0 once the chain of panes has settled; tests wait for it instead of a fixed time.
int queuedWork();

// What happens when a window's handler lets an exception out (a bad_alloc in a recompute
// over a huge log): the message is answered with 0, the program goes on, and this is told
// what happened (UTF-8), once the current event is done. By default a message box says so.
void setErrorReporter(std::function<void(const std::string& what)> reporter);
// The report of an exception that reached a boundary (a handler, the event loop).
void reportException(const std::exception_ptr& error);

// The direct child window of parent with the id, or nullptr.
Window* child(QWidget* parent, int id);
// The nearest ancestor that is a Window (where notifications go), or nullptr.
Window* parentWindow(const QWidget* widget);

// Factories of a window class: the widget (a Window subclass with the class's painting
// and input; a plain Window when empty) and the handler (given the creation parameter).
using HandlerFactory = std::function<std::unique_ptr<Handler>(void* param)>;
using WidgetFactory = std::function<Window*(QWidget* parent)>;

// Registers a class by name (case-sensitive, as the classes are written "WC_..."); a
// second registration of a name replaces the first. The toolkit's own classes
// WC_COMBOBOX, WC_TOOLBAR, WC_SEPARATOR and WC_LOUPE are always registered.
void registerClass(std::string_view className, HandlerFactory handler, WidgetFactory widget = {});
bool isClassRegistered(std::string_view className);

// Makes a window of a registered class: builds the widget and its handler, gives it rect,
// sends it WM_CREATE with param as lParam, places it with setWindowPos and shows it when
// style has WS_VISIBLE. With a null rect the window places itself (or keeps Qt's default). nullptr
// when the class is unknown or WM_CREATE answered -1 (the window is then destroyed again).
Window* create(std::string_view className, QWidget* parent, int id, const QRect& rect,
               void* param = nullptr, unsigned style = WS_VISIBLE);
// Sends WM_DESTROY, deletes the handler and then the window (its children with it).
void destroy(Window* window);
// What a close request does by default (defaultProc's WM_CLOSE): WM_DESTROY at once, the
// window taken out of its parent's children, and deleted once back in the event loop.
// Safe from the window's own handler.
void closeWindow(Window* window);

// Places a window, letting its class adjust the geometry first (positionChanging).
void setWindowPos(Window* window, const QRect& rect);

// Timers by id on any window.
void setTimer(Window* window, int timerId, int millis);
bool killTimer(Window* window, int timerId);

} // namespace toolkit
