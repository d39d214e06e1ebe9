#include "platform/name_service.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct Job
{
    NameTicket ticket;
    bool byAddress;
    std::uint32_t address;
    std::string name;
};

// Everything the workers share; it lives as long as the last worker, which may outlive the
// service while the system keeps it waiting.
struct PoolState
{
    std::mutex lock;
    std::condition_variable work;
    std::condition_variable deadlines;
    std::deque<Job> queue;
    struct Pending
    {
        NameCompletion done;
        Clock::time_point deadline;
    };
    std::map<NameTicket, Pending> pending;
    NameTicket next = 1;
    bool stopping = false;
    int running = 0; // threads that have not ended yet
    std::condition_variable ended;

    // A thread of the pool is done; the last one wakes the service's destructor.
    void leave()
    {
        std::lock_guard guard(lock);
        if (--running == 0)
            ended.notify_all();
    }

    // The one completion of a lookup: the first of answer, time-out and cancel wins.
    void finish(NameTicket ticket, const NameAnswer& answer)
    {
        NameCompletion done;
        {
            std::lock_guard guard(lock);
            const auto it = pending.find(ticket);
            if (it == pending.end())
                return;
            done = std::move(it->second.done);
            pending.erase(it);
        }
        done(ticket, answer);
    }
};

// The error of every offline lookup: the name service's own "cannot resolve".
constexpr int kOfflineError = EAI_FAIL;

NameAnswer lookUp(const Job& job, bool offline)
{
    NameAnswer answer;
    if (offline) {
        answer.error = kOfflineError;
        return answer;
    }
    if (job.byAddress) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = job.address;
        char host[NI_MAXHOST];
        answer.error = ::getnameinfo(reinterpret_cast<sockaddr*>(&address), sizeof address, host,
                                     sizeof host, nullptr, 0, NI_NAMEREQD);
        if (answer.error == 0)
            answer.name = host;
        return answer;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    answer.error = ::getaddrinfo(job.name.c_str(), nullptr, &hints, &found);
    if (answer.error == 0 && found && found->ai_addr)
        answer.address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    if (found)
        ::freeaddrinfo(found);
    return answer;
}

void worker(std::shared_ptr<PoolState> state, bool offline)
{
    for (;;) {
        Job job;
        {
            std::unique_lock guard(state->lock);
            state->work.wait(guard, [&] { return state->stopping || !state->queue.empty(); });
            if (state->stopping) {
                guard.unlock();
                state->leave();
                return;
            }
            job = std::move(state->queue.front());
            state->queue.pop_front();
            if (!state->pending.count(job.ticket))
                continue; // cancelled or timed out while queued
        }
        state->finish(job.ticket, lookUp(job, offline));
    }
}

// Ends the lookups that ran out of time.
void watchdog(std::shared_ptr<PoolState> state)
{
    std::unique_lock guard(state->lock);
    while (!state->stopping) {
        auto earliest = Clock::time_point::max();
        for (const auto& [ticket, p] : state->pending)
            earliest = std::min(earliest, p.deadline);
        if (earliest == Clock::time_point::max())
            state->deadlines.wait(guard);
        else
            state->deadlines.wait_until(guard, earliest);
        const auto now = Clock::now();
        std::vector<NameTicket> late;
        for (const auto& [ticket, p] : state->pending)
            if (p.deadline <= now)
                late.push_back(ticket);
        guard.unlock();
        NameAnswer timeout;
        timeout.error = kNameTimeout;
        for (const NameTicket ticket : late)
            state->finish(ticket, timeout);
        guard.lock();
    }
    guard.unlock();
    state->leave();
}

class ThreadPoolService final : public NameService
{
  public:
    ThreadPoolService(int threads, int timeoutMillis, bool offline)
        : m_state(std::make_shared<PoolState>()), m_timeout(timeoutMillis)
    {
        m_state->running = threads + 1;
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back(worker, m_state, offline);
        m_threads.emplace_back(watchdog, m_state);
    }
    // The threads are joined once they have ended; a worker the system keeps waiting
    // longer than kJoinWait is left to finish on its own (it holds the shared state), so
    // that a program never hangs on its way out over a slow DNS.
    ~ThreadPoolService() override
    {
        std::unique_lock guard(m_state->lock);
        m_state->stopping = true;
        m_state->pending.clear();
        m_state->queue.clear();
        m_state->work.notify_all();
        m_state->deadlines.notify_all();
        const bool all =
            m_state->ended.wait_for(guard, kJoinWait, [this] { return m_state->running == 0; });
        guard.unlock();
        for (std::thread& t : m_threads) {
            if (all)
                t.join();
            else
                t.detach();
        }
    }

    NameTicket lookupAddress(std::uint32_t networkAddress, NameCompletion done) override
    {
        return start(Job{0, true, networkAddress, {}}, std::move(done));
    }
    NameTicket lookupName(const std::string& name, NameCompletion done) override
    {
        return start(Job{0, false, 0, name}, std::move(done));
    }
    void cancel(NameTicket ticket) override
    {
        std::lock_guard guard(m_state->lock);
        m_state->pending.erase(ticket);
    }

  private:
    NameTicket start(Job job, NameCompletion done)
    {
        if (!done)
            return 0;
        {
            std::lock_guard guard(m_state->lock);
            if (m_state->stopping)
                return 0;
            job.ticket = m_state->next++;
            m_state->pending[job.ticket] = {std::move(done),
                                            Clock::now() + std::chrono::milliseconds(m_timeout)};
            m_state->queue.push_back(job);
        }
        m_state->work.notify_one();
        m_state->deadlines.notify_one();
        return job.ticket;
    }

    static constexpr std::chrono::seconds kJoinWait{2};

    std::shared_ptr<PoolState> m_state;
    int m_timeout;
    std::vector<std::thread> m_threads;
};

std::mutex g_serviceLock;
std::shared_ptr<NameService> g_service;

} // namespace

std::shared_ptr<NameService> makeNameService(int threads, int timeoutMillis)
{
    return std::make_shared<ThreadPoolService>(threads < 1 ? 1 : threads, timeoutMillis, false);
}

std::shared_ptr<NameService> makeOfflineNameService()
{
    return std::make_shared<ThreadPoolService>(1, 10000, true);
}

bool offlineByChoice()
{
    const char* choice = std::getenv("VEXILO_NAME_SERVICE");
    return choice && std::string_view(choice) == "offline";
}

std::shared_ptr<NameService> nameService()
{
    std::lock_guard guard(g_serviceLock);
    if (!g_service)
        g_service = offlineByChoice() ? makeOfflineNameService() : makeNameService(20, 10000);
    return g_service;
}

void setNameService(std::shared_ptr<NameService> service)
{
    std::lock_guard guard(g_serviceLock);
    g_service = std::move(service);
}

} // namespace platform
