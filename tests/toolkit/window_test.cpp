#include "recorder.h"
#include "tests/wait_for.h"
#include "toolkit/window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>

namespace {

using namespace toolkit;
using vxtest::Log;

using vxtest::waitFor;

TEST(Window, CreationByClassNameHandsTheParameterToTheHandler)
{
    Log log;
    std::unique_ptr<Window> window(vxtest::makeRecorder(log, nullptr, 2009, QRect(10, 20, 30, 40)));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->className(), "WC_TEST");
    EXPECT_EQ(window->id(), 2009);
    EXPECT_EQ(window->geometry(), QRect(10, 20, 30, 40));
    ASSERT_FALSE(log.messages.empty());
    EXPECT_EQ(log.messages.front().msg, WM_CREATE);
    EXPECT_EQ(log.messages.front().lParam, reinterpret_cast<LParam>(&log));

    EXPECT_EQ(create("WC_NO_SUCH_CLASS", nullptr, 1, QRect()), nullptr);
    EXPECT_TRUE(isClassRegistered("WC_COMBOBOX"));
    EXPECT_TRUE(isClassRegistered("WC_TOOLBAR"));
    EXPECT_TRUE(isClassRegistered("WC_SEPARATOR"));
    EXPECT_TRUE(isClassRegistered("WC_LOUPE"));
}

TEST(Window, CreationRefusedByTheHandlerDestroysTheWindow)
{
    Log log;
    log.answer = [](Window&, const vxtest::Message& m) -> LResult {
        return m.msg == WM_CREATE ? -1 : 0;
    };
    EXPECT_EQ(vxtest::makeRecorder(log), nullptr);
    ASSERT_EQ(log.of(WM_DESTROY).size(), 1u);
    EXPECT_TRUE(log.handlerDeleted);
}

TEST(Window, SendIsSynchronousAndPostIsQueuedInOrder)
{
    Log log;
    log.answer = [](Window&, const vxtest::Message& m) -> LResult {
        return m.msg == UM_GETPATH ? 77 : 0;
    };
    std::unique_ptr<Window> window(vxtest::makeRecorder(log));
    log.messages.clear();

    EXPECT_EQ(send(window.get(), UM_GETPATH, 1, 2), 77);
    ASSERT_EQ(log.messages.size(), 1u);

    post(window.get(), UM_LOGOPENED, 3, 4);
    post(window.get(), UM_LOGCLOSED, 5, 6);
    EXPECT_EQ(log.messages.size(), 1u); // not before the event loop runs
    QApplication::processEvents();
    ASSERT_EQ(log.messages.size(), 3u);
    EXPECT_EQ(log.messages[1].msg, UM_LOGOPENED);
    EXPECT_EQ(log.messages[1].wParam, 3u);
    EXPECT_EQ(log.messages[1].lParam, 4);
    EXPECT_EQ(log.messages[2].msg, UM_LOGCLOSED);

    EXPECT_EQ(send(nullptr, UM_GETPATH), 0); // a missing window answers nothing
}

TEST(Window, CommandCarriesItsIdAndArgument)
{
    Log log;
    std::unique_ptr<Window> window(vxtest::makeRecorder(log));
    log.messages.clear();
    command(window.get(), ID_REFRESH, kRefreshAll);
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0].msg, WM_COMMAND);
    EXPECT_EQ(loWord(log.messages[0].wParam), ID_REFRESH);
    EXPECT_EQ(log.messages[0].lParam, 0xFFFF);
}

TEST(Window, MessagesFromAnotherThreadArriveOnTheWindowsThread)
{
    Log log;
    std::unique_ptr<Window> window(vxtest::makeRecorder(log));
    log.messages.clear();
    LResult sent = -5;
    std::thread worker([&] {
        sent = send(window.get(), UM_HOSTRESOLVED, 1, 0);
        post(window.get(), UM_GETADDRESSES, 2, 0);
    });
    worker.join();
    EXPECT_EQ(sent, 0);
    EXPECT_TRUE(log.messages.empty());
    QApplication::processEvents();
    ASSERT_EQ(log.messages.size(), 2u);
    EXPECT_EQ(log.messages[0].msg, UM_HOSTRESOLVED);
    EXPECT_EQ(log.messages[1].msg, UM_GETADDRESSES);
    for (const auto& m : log.messages)
        EXPECT_EQ(m.thread, window->thread());
}

TEST(Window, PostedMessagesOfADestroyedWindowAreDropped)
{
    Log log;
    Window* window = vxtest::makeRecorder(log);
    post(window, UM_RELOAD);
    destroy(window);
    const std::size_t seen = log.messages.size();
    QApplication::processEvents();
    EXPECT_EQ(log.messages.size(), seen);
    EXPECT_EQ(log.of(UM_RELOAD).size(), 0u);
    EXPECT_EQ(log.of(WM_DESTROY).size(), 1u);
    EXPECT_TRUE(log.handlerDeleted);
}

TEST(Window, TimersTickWithTheirIdsUntilKilled)
{
    Log log;
    std::unique_ptr<Window> window(vxtest::makeRecorder(log));
    window->setTimer(7, 10);
    window->setTimer(8, 10);
    window->setTimer(7, 10); // restarting keeps one timer per id
    const auto ticksOf = [&log](WParam id) {
        const auto ticks = log.of(WM_TIMER);
        return std::count_if(ticks.begin(), ticks.end(),
                             [id](const vxtest::Message& m) { return m.wParam == id; });
    };
    ASSERT_TRUE(waitFor([&] { return ticksOf(7) >= 2 && ticksOf(8) >= 2; }));
    for (const auto& m : log.of(WM_TIMER))
        EXPECT_TRUE(m.wParam == 7 || m.wParam == 8);
    EXPECT_LE(ticksOf(7), ticksOf(8) + 2); // a restarted id does not tick twice as often

    EXPECT_TRUE(killTimer(window.get(), 7));
    EXPECT_FALSE(killTimer(window.get(), 7));
    EXPECT_FALSE(window->hasTimer(7));
    log.messages.clear();
    ASSERT_TRUE(waitFor([&] { return ticksOf(8) >= 3; }));
    EXPECT_EQ(ticksOf(7), 0);
}

TEST(Window, QueuedWorkCountsPostedMessagesAndShortTimers)
{
    Log log;
    std::unique_ptr<Window> window(vxtest::makeRecorder(log));
    EXPECT_EQ(queuedWork(), 0);
    post(window.get(), UM_RELOAD);
    post(window.get(), UM_RELOAD);
    EXPECT_EQ(queuedWork(), 2);
    window->setTimer(1, 5);
    window->setTimer(2, 1000); // a watch, not work on its way
    EXPECT_EQ(queuedWork(), 3);
    QApplication::processEvents();
    EXPECT_EQ(queuedWork(), 1);
    window->killTimer(1);
    EXPECT_EQ(queuedWork(), 0);
    window->setTimer(3, 5);
    window.reset(); // a window that goes takes its timers with it
    EXPECT_EQ(queuedWork(), 0);
}

TEST(Window, AnExceptionEndsTheMessageNotTheProgram)
{
    std::vector<std::string> reports;
    setErrorReporter([&](const std::string& what) { reports.push_back(what); });
    Log log;
    log.answer = [](Window&, const vxtest::Message& m) -> LResult {
        if (m.msg == UM_RELOAD)
            throw std::bad_alloc();
        if (m.msg == UM_GETPATH)
            throw std::runtime_error("broken table");
        return m.msg == UM_GETTITLE ? 5 : 0;
    };
    std::unique_ptr<Window> window(vxtest::makeRecorder(log));
    EXPECT_EQ(send(window.get(), UM_RELOAD), 0);
    post(window.get(), UM_GETPATH);
    // An event handler of any widget: the application object catches it.
    struct Throwing : QObject
    {
        bool event(QEvent*) override { throw std::logic_error("in an event"); }
    } throwing;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&throwing, &event);
    for (int i = 0; i < 10 && reports.size() < 3; ++i)
        QApplication::processEvents();
    EXPECT_EQ(send(window.get(), UM_GETTITLE), 5); // the window goes on
    setErrorReporter(nullptr);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], "メモリが足りないため、処理を最後まで行えませんでした。");
    const std::string others = reports[1] + reports[2]; // in the order the events ran
    EXPECT_NE(others.find("broken table"), std::string::npos);
    EXPECT_NE(others.find("in an event"), std::string::npos);
}

TEST(Window, ChildrenAreFoundByIdUnderTheirParentOnly)
{
    Log parentLog, aLog, bLog, grandLog;
    std::unique_ptr<Window> parent(vxtest::makeRecorder(parentLog, nullptr, 1));
    Window* a = vxtest::makeRecorder(aLog, parent.get(), 2100);
    Window* b = vxtest::makeRecorder(bLog, parent.get(), 2101);
    Window* grand = vxtest::makeRecorder(grandLog, a, 2200);

    const struct
    {
        QWidget* parent;
        int id;
        Window* found;
    } cases[] = {
        {parent.get(), 2100, a}, {parent.get(), 2101, b},       {parent.get(), 2200, nullptr},
        {a, 2200, grand},        {parent.get(), 2102, nullptr}, {nullptr, 2100, nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(child(c.parent, c.id), c.found) << c.id;

    // Panes change their ids when they move.
    b->setId(2102);
    EXPECT_EQ(child(parent.get(), 2101), nullptr);
    EXPECT_EQ(child(parent.get(), 2102), b);
    EXPECT_EQ(parentWindow(grand), a);
}

TEST(Window, DestroyDeliversDestroyBeforeTheHandlerGoes)
{
    Log log;
    bool handlerAliveAtDestroy = false;
    log.answer = [&](Window&, const vxtest::Message& m) -> LResult {
        if (m.msg == WM_DESTROY)
            handlerAliveAtDestroy = !log.handlerDeleted;
        return 0;
    };
    Window* window = vxtest::makeRecorder(log);
    destroy(window);
    EXPECT_TRUE(handlerAliveAtDestroy);
    EXPECT_TRUE(log.handlerDeleted);
    EXPECT_EQ(log.of(WM_DESTROY).size(), 1u);
}

TEST(Window, ACloseRequestTakesTheWindowOutAtOnceAndChildrenGoAfterTheirParent)
{
    // The child says goodbye to its parent on WM_DESTROY, as a store tells the main window.
    Log parentLog, childLog;
    parentLog.answer = [](Window& self, const vxtest::Message& m) {
        return defaultProc(self, m.msg, m.wParam, m.lParam);
    };
    Window* top = vxtest::makeRecorder(parentLog, nullptr, 1);
    Window* inner = vxtest::makeRecorder(childLog, top, 7);
    childLog.answer = [&](Window& self, const vxtest::Message& m) -> LResult {
        if (m.msg == WM_DESTROY)
            send(parentWindow(&self), WM_USER + 5);
        if (m.msg == WM_USER + 9)
            return defaultProc(self, WM_CLOSE, 0, 0); // closes itself from its own handler
        return 0;
    };
    EXPECT_EQ(send(inner, WM_USER + 9), 0);
    EXPECT_EQ(child(top, 7), nullptr);
    EXPECT_EQ(childLog.of(WM_DESTROY).size(), 1u);
    ASSERT_EQ(parentLog.of(WM_USER + 5).size(), 1u);

    Log secondLog;
    Window* second = vxtest::makeRecorder(secondLog, top, 8);
    secondLog.answer = childLog.answer;
    send(top, WM_CLOSE);
    std::vector<unsigned> order;
    for (const auto& m : parentLog.messages)
        if (m.msg == WM_DESTROY || m.msg == WM_USER + 5)
            order.push_back(m.msg);
    EXPECT_EQ(order, (std::vector<unsigned>{WM_USER + 5, WM_DESTROY, WM_USER + 5}));
    EXPECT_EQ(secondLog.of(WM_DESTROY).size(), 1u);
    (void)second;
    EXPECT_FALSE(parentLog.handlerDeleted); // deleted with the widget, once back in the loop
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(parentLog.handlerDeleted);
}

TEST(Window, DefaultProcedureKeepsTheWindowText)
{
    Window window;
    const QString title = QStringLiteral("閲覧ページ");
    EXPECT_EQ(send(&window, WM_SETTEXT, 0, reinterpret_cast<LParam>(&title)), 1);
    QString out;
    EXPECT_EQ(send(&window, WM_GETTEXT, 0, reinterpret_cast<LParam>(&out)), title.size());
    EXPECT_EQ(out, title);
    EXPECT_EQ(send(&window, WM_GETTEXTLENGTH), title.size());
}

} // namespace
