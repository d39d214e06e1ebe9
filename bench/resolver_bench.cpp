// How long the host-name windows take to name a log's hosts when every lookup takes 50 ms:
// 10,000 unnamed hosts, a name service that answers each lookup 50 ms after it started,
// the real cache and resolver windows (offscreen). Prints the seconds until the last name
// reached the main window, and the lookups running at once.

#include "hosts/host_windows.h"
#include "platform/large_pages.h"
#include "platform/settings.h"
#include "store/log_container.h"
#include "tests/hosts/fake_name_service.h"
#include "toolkit/window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <cstdio>
#include <filesystem>

namespace {

using namespace toolkit;

struct Counts
{
    std::size_t answers = 0;
};

struct MainStandIn : Handler
{
    explicit MainStandIn(Counts* c) : counts(c) {}
    LResult onMessage(Window& self, unsigned msg, WParam w, LParam l) override
    {
        if (msg == UM_HOSTRESOLVED)
            ++counts->answers;
        return defaultProc(self, msg, w, l);
    }
    Counts* counts;
};

struct StoreStandIn : Handler
{
    explicit StoreStandIn(std::vector<store::HostEntry>* h) : hosts(h) {}
    LResult onMessage(Window& self, unsigned msg, WParam w, LParam l) override
    {
        if (msg == UM_GETHOSTS) {
            if (l)
                *reinterpret_cast<store::HostEntry**>(l) = hosts->data();
            return static_cast<LResult>(hosts->size());
        }
        return defaultProc(self, msg, w, l);
    }
    std::vector<store::HostEntry>* hosts;
};

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int hostCount = argc > 1 ? std::atoi(argv[1]) : 10000;
    const auto folder = std::filesystem::temp_directory_path() / "vexilo-resolver-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    platform::setHomeDirOverride(folder.string());

    auto service = std::make_shared<vxtest::FakeNameService>(true, 50);
    for (int i = 0; i < hostCount; ++i) {
        std::string name = std::to_string(i);
        name += ".example.jp";
        service->setName(htonl(0x0A000001u + static_cast<std::uint32_t>(i)), name);
    }
    platform::setNameService(service);
    hosts::registerHostWindows();
    Counts counts;
    std::vector<store::HostEntry> table;
    for (int i = 0; i < hostCount; ++i)
        table.push_back({0x0A000001u + static_cast<std::uint32_t>(i), nullptr});
    registerClass("BENCH_MAIN", [&](void*) { return std::make_unique<MainStandIn>(&counts); });
    registerClass("BENCH_STORE", [&](void*) { return std::make_unique<StoreStandIn>(&table); });
    Window* main = create("BENCH_MAIN", nullptr, 0, QRect(), nullptr, 0);
    Window* store = create("BENCH_STORE", main, IDW_STORE, QRect(), nullptr, 0);

    QElapsedTimer clock;
    clock.start();
    create(hosts::kHostCacheClass, store, IDW_HOSTCACHE, QRect(), nullptr, 0);
    std::size_t mostPending = 0;
    while (counts.answers < table.size() && clock.elapsed() < 3600 * 1000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        mostPending = std::max(mostPending, service->pending());
    }
    std::printf("named %zu hosts in %.1f s (lookups of 50 ms, at most %zu at once)\n",
                counts.answers, double(clock.elapsed()) / 1000.0, mostPending);
    destroy(main);
    platform::setNameService(nullptr);
    std::filesystem::remove_all(folder);
    return 0;
}
