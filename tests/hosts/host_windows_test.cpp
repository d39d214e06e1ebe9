// The host-name cache window and the resolver over a fake name service, offscreen: the
// probe, 20 lookups at most, answers into today's cache file and on to the main window,
// the status text, and closing while lookups are in flight.

#include "fake_name_service.h"
#include "hosts/host_cache_file.h"
#include "hosts/host_windows.h"
#include "platform/clock.h"
#include "platform/settings.h"
#include "store/log_container.h"
#include "tests/import/import_helpers.h"
#include "tests/platform/temp_dir.h"
#include "tests/toolkit/recorder.h"
#include "toolkit/window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

using namespace toolkit;
using namespace vxtest;

// Pumps until done() or the time is up.
template <typename F> bool pumpUntil(F done, int millis = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < millis)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// A store stand-in: answers UM_GETHOSTS from the test's table.
struct StoreStandIn : Handler
{
    explicit StoreStandIn(std::vector<store::HostEntry>* hosts) : m_hosts(hosts) {}
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        if (msg == UM_GETHOSTS) {
            if (lParam)
                *reinterpret_cast<store::HostEntry**>(lParam) = m_hosts->data();
            return static_cast<LResult>(m_hosts->size());
        }
        return defaultProc(self, msg, wParam, lParam);
    }
    std::vector<store::HostEntry>* m_hosts;
};

class HostWindows : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        platform::setHomeDirOverride(m_dir.path());
        // The windows' rhythm a hundred times faster; three quiet seconds become 300 ms, so
        // that a test sees the count before the share.
        hosts::setHostTimers({20, 10, 300});
        hosts::registerHostWindows();
        registerClass("WC_STORE_STANDIN", [](void* p) {
            return std::make_unique<StoreStandIn>(static_cast<std::vector<store::HostEntry>*>(p));
        });
    }
    void TearDown() override
    {
        if (m_main)
            destroy(m_main);
        platform::setNameService(nullptr);
        platform::setHomeDirOverride("");
        hosts::setHostTimers({});
    }

    // Hosts 192.0.2.1 ... unnamed, then `named` more with a name.
    void start(std::size_t unnamed, std::size_t named, std::shared_ptr<FakeNameService> service)
    {
        m_service = std::move(service);
        platform::setNameService(m_service);
        for (std::size_t i = 0; i < unnamed + named; ++i)
            m_hosts.push_back({0xC0000201u + static_cast<std::uint32_t>(i),
                               i < unnamed ? nullptr : "jp.example"});
        m_mainLog.answer = [this](Window&, const Message& m) -> LResult {
            if (m.msg == UM_HOSTRESOLVED)
                m_names.push_back(m.lParam ? reinterpret_cast<const char*>(m.lParam) : "<none>");
            return 0;
        };
        m_main = makeRecorder(m_mainLog);
        m_store = create("WC_STORE_STANDIN", m_main, IDW_STORE, QRect(), &m_hosts, 0);
        m_cache = create(hosts::kHostCacheClass, m_store, IDW_HOSTCACHE, QRect(), nullptr, 0);
    }
    QString status()
    {
        QString text;
        if (Window* cache = child(m_store, IDW_HOSTCACHE))
            send(cache, WM_GETTEXT, 0, reinterpret_cast<LParam>(&text));
        return text.mid(1); // without the blinking mark
    }
    std::string todaysFile()
    {
        const auto t = platform::todayLocal();
        return readFile(m_dir.file(hosts::cacheFileName(t.year, t.month, t.day)));
    }
    std::size_t forwarded() { return m_mainLog.of(UM_HOSTRESOLVED).size(); }

    TempDir m_dir;
    Log m_mainLog;
    Window* m_main = nullptr;
    Window* m_store = nullptr;
    Window* m_cache = nullptr;
    std::vector<store::HostEntry> m_hosts;
    std::shared_ptr<FakeNameService> m_service;
    std::vector<std::string> m_names; // what the main window heard, during the send
};

TEST_F(HostWindows, WithoutNameResolutionNothingIsLookedUp)
{
    start(3, 0, std::make_shared<FakeNameService>(false));
    ASSERT_TRUE(m_cache);
    // Fifteen times the resolver's period: still nothing; the window knows why.
    EXPECT_FALSE(pumpUntil([&] { return m_service->started() > 0; }, 300));
    EXPECT_EQ(send(m_cache, UM_ISNAMESOFFLINE), 1);
    EXPECT_EQ(status(), QStringLiteral("3/3"));
}

TEST_F(HostWindows, TwentyLookupsAtMostAndAnswersGoToTheFileAndTheMainWindow)
{
    start(25, 5, std::make_shared<FakeNameService>());
    EXPECT_EQ(status(), QStringLiteral("25/30"));
    m_service->setName(htonl(0xC0000201u), "Host.Example.COM");
    m_service->setName(htonl(0xC0000202u), "localhost"); // one label: no name
    ASSERT_TRUE(pumpUntil([&] { return m_service->started() == 20; }));
    EXPECT_EQ(send(m_cache, UM_ISNAMESOFFLINE), 0);
    EXPECT_FALSE(pumpUntil([&] { return m_service->started() > 20; }, 200)); // ten periods
    EXPECT_EQ(m_service->pending(), 20u);
    m_service->answer(3);
    ASSERT_TRUE(pumpUntil([&] { return forwarded() == 3; }));
    // The answers are in today's file, and the freed places are taken again at once.
    EXPECT_EQ(todaysFile(),
              "[DNS]\r\nC0000201=com.example.host\r\nC0000202=\"\"\r\nC0000203=\"\"\r\n");
    EXPECT_TRUE(pumpUntil([&] { return m_service->started() == 23; }));
    EXPECT_EQ(m_service->pending(), 20u);
    EXPECT_EQ(m_mainLog.of(UM_HOSTRESOLVED)[0].wParam, htonl(0xC0000201u));
    EXPECT_EQ(m_names, (std::vector<std::string>{"com.example.host", "<none>", "<none>"}));
    EXPECT_EQ(status(), QStringLiteral("22/30"));
    // The quiet time without an answer turns the count into a share (at the next tick).
    EXPECT_TRUE(pumpUntil([&] { return status() == QStringLiteral("26.6% done"); }))
        << status().toStdString();
    EXPECT_TRUE(pumpUntil([&] {
        m_service->answer(20); // the last two start only as places come free
        return forwarded() == 25;
    }));
    EXPECT_EQ(m_service->started(), 25u); // every host once
    // Every host named and nothing older than 30 days to renew: the window's work is done.
    EXPECT_TRUE(pumpUntil([&] { return !child(m_store, IDW_HOSTCACHE); }));
}

TEST_F(HostWindows, ClosingWhileLookupsRunLosesNoAnswerAndTouchesNothingGone)
{
    start(30, 0, std::make_shared<FakeNameService>());
    ASSERT_TRUE(pumpUntil([&] { return m_service->started() == 20; }));
    m_service->answer(5);
    ASSERT_TRUE(pumpUntil([&] { return forwarded() == 5; }));
    QPointer<Window> cache(m_cache);
    send(m_cache, WM_CLOSE); // as the store does before a reload
    EXPECT_FALSE(child(m_store, IDW_HOSTCACHE));
    // The lookups still out answer from another thread, into nothing.
    std::thread late([&] { m_service->answer(20); });
    late.join();
    EXPECT_TRUE(pumpUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !cache && queuedWork() == 0; // the answers posted into nothing are dropped
    }));
    EXPECT_EQ(forwarded(), 5u);
    std::size_t lines = 0;
    for (const char c : todaysFile())
        lines += c == '\n';
    EXPECT_EQ(lines, 6u); // "[DNS]" and the five answers
}

} // namespace
