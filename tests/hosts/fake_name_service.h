#pragma once

// A name service for tests: lookups wait until the test answers them, or, with a delay
// set, a thread of the fake answers each after that many milliseconds (from the table of
// names, "no name" for the others).

#include "platform/name_service.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace vxtest {

class FakeNameService final : public platform::NameService
{
  public:
    explicit FakeNameService(bool probeWorks = true, int delayMillis = -1)
        : m_probeWorks(probeWorks), m_delay(delayMillis)
    {
        if (m_delay >= 0)
            m_thread = std::thread([this] { answerLoop(); });
    }
    ~FakeNameService() override
    {
        {
            std::lock_guard guard(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    platform::NameTicket lookupAddress(std::uint32_t address,
                                       platform::NameCompletion done) override
    {
        std::lock_guard guard(m_lock);
        const platform::NameTicket t = ++m_next;
        m_pending[t] = {address, std::move(done), std::chrono::steady_clock::now()};
        ++m_started;
        m_wake.notify_all();
        return t;
    }
    platform::NameTicket lookupName(const std::string&, platform::NameCompletion done) override
    {
        platform::NameAnswer a;
        a.error = m_probeWorks ? 0 : -2;
        a.address = m_probeWorks ? 0x01020304 : 0;
        const platform::NameTicket t = ++m_next;
        done(t, a); // the probe answers at once
        return t;
    }
    void cancel(platform::NameTicket ticket) override
    {
        std::lock_guard guard(m_lock);
        m_pending.erase(ticket);
    }

    // Names for the answers (host-order keys); addresses not listed have none.
    void setName(std::uint32_t networkAddress, const std::string& name)
    {
        std::lock_guard guard(m_lock);
        m_names[networkAddress] = name;
    }
    // Answers the oldest `count` pending lookups on the calling thread.
    void answer(std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            Pending p;
            platform::NameTicket t;
            platform::NameAnswer a;
            {
                std::lock_guard guard(m_lock);
                if (m_pending.empty())
                    return;
                t = m_pending.begin()->first;
                p = std::move(m_pending.begin()->second);
                m_pending.erase(m_pending.begin());
                a = answerFor(p.address);
            }
            p.done(t, a);
        }
    }
    std::size_t started() const
    {
        std::lock_guard guard(m_lock);
        return m_started;
    }
    std::size_t pending() const
    {
        std::lock_guard guard(m_lock);
        return m_pending.size();
    }

  private:
    struct Pending
    {
        std::uint32_t address = 0;
        platform::NameCompletion done;
        std::chrono::steady_clock::time_point since;
    };

    platform::NameAnswer answerFor(std::uint32_t address) const
    {
        platform::NameAnswer a;
        const auto it = m_names.find(address);
        if (it == m_names.end())
            a.error = -2; // no name
        else
            a.name = it->second;
        return a;
    }

    void answerLoop()
    {
        std::unique_lock guard(m_lock);
        while (!m_stop) {
            if (m_pending.empty()) {
                m_wake.wait(guard);
                continue;
            }
            const auto due = m_pending.begin()->second.since + std::chrono::milliseconds(m_delay);
            if (std::chrono::steady_clock::now() < due) {
                m_wake.wait_until(guard, due);
                continue;
            }
            const platform::NameTicket t = m_pending.begin()->first;
            Pending p = std::move(m_pending.begin()->second);
            m_pending.erase(m_pending.begin());
            const platform::NameAnswer a = answerFor(p.address);
            guard.unlock();
            p.done(t, a);
            guard.lock();
        }
    }

    bool m_probeWorks;
    int m_delay;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::map<platform::NameTicket, Pending> m_pending;
    std::map<std::uint32_t, std::string> m_names;
    platform::NameTicket m_next = 0;
    std::size_t m_started = 0;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace vxtest
