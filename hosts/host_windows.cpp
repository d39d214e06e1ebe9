#include "hosts/host_windows.h"

#include "hosts/host_cache_file.h"
#include "hosts/host_names.h"
#include "platform/clock.h"
#include "platform/name_service.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "store/log_container.h"
#include "toolkit/window.h"

#include <QMessageBox>
#include <QPointer>
#include <arpa/inet.h>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace hosts {
namespace {

using namespace toolkit;

constexpr int kLookupTimer = 100;
constexpr int kStatusTimer = 151;
constexpr int kQuietTimer = 152;

HostTimers g_timers;

// Where the name service's threads leave their answers for the resolver window. Closed
// when the window goes: later answers are dropped, and no thread touches the window.
struct Mailbox
{
    std::mutex lock;
    Window* window = nullptr;
    std::deque<std::pair<unsigned, std::pair<platform::NameTicket, platform::NameAnswer>>> answers;

    void deliver(unsigned msg, platform::NameTicket ticket, const platform::NameAnswer& answer)
    {
        std::lock_guard guard(lock);
        if (!window)
            return;
        answers.push_back({msg, {ticket, answer}});
        post(window, msg);
    }
    bool take(unsigned msg, platform::NameTicket& ticket, platform::NameAnswer& answer)
    {
        std::lock_guard guard(lock);
        for (auto it = answers.begin(); it != answers.end(); ++it)
            if (it->first == msg) {
                ticket = it->second.first;
                answer = std::move(it->second.second);
                answers.erase(it);
                return true;
            }
        return false;
    }
    void close()
    {
        std::lock_guard guard(lock);
        window = nullptr;
        answers.clear();
    }
};

class Resolver final : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE: {
            m_service = platform::nameService();
            m_mail->window = &self;
            auto mail = m_mail;
            m_probe = m_service ? m_service->lookupName(kProbeName,
                                                        [mail](platform::NameTicket t,
                                                               const platform::NameAnswer& a) {
                                                            mail->deliver(UM_PROBEDONE, t, a);
                                                        })
                                : 0;
            return 0;
        }
        case UM_PROBEDONE:
            probeDone(self);
            return 0;
        case UM_LOOKUPDONE:
            lookupsDone(self);
            return 0;
        case WM_TIMER:
            if (static_cast<int>(wParam) == kLookupTimer)
                topUp(self);
            return 0;
        case WM_DESTROY:
            m_mail->close();
            if (m_service) {
                if (m_probe)
                    m_service->cancel(m_probe);
                for (const auto& [address, pending] : m_pending)
                    m_service->cancel(pending.ticket);
            }
            m_pending.clear();
            return 0;
        default:
            return defaultProc(self, msg, wParam, lParam);
        }
    }

  private:
    // Without an answer to the probe the resolver stays idle for good: a machine without
    // DNS never waits on lookups.
    void probeDone(Window& self)
    {
        platform::NameTicket ticket;
        platform::NameAnswer answer;
        while (m_mail->take(UM_PROBEDONE, ticket, answer)) {
            if (ticket != m_probe)
                continue;
            if (answer.error != 0 || answer.address == 0) {
                m_probe = 0;
                platform::trace("names cannot be looked up err=%d", answer.error);
                send(parentWindow(&self), UM_NAMESOFFLINE);
                continue;
            }
            m_probe = 0;
            platform::trace("resolver ready");
            self.setTimer(kLookupTimer, g_timers.lookupMillis);
        }
    }

    // Keeps 20 lookups running: on every timer tick, and as soon as one ends.
    void topUp(Window& self)
    {
        if (!m_service || m_pending.size() >= kMaxPendingLookups)
            return;
        std::vector<std::uint32_t> wanted(kMaxPendingLookups - m_pending.size(), 0);
        const auto n =
            static_cast<std::size_t>(send(parentWindow(&self), UM_GETADDRESSES, wanted.size(),
                                          reinterpret_cast<LParam>(wanted.data())));
        auto mail = m_mail;
        for (std::size_t i = 0; i < n && i < wanted.size(); ++i) {
            const std::uint32_t address = wanted[i];
            if (address == 0 || m_pending.count(address))
                continue;
            const platform::NameTicket ticket = m_service->lookupAddress(
                address, [mail](platform::NameTicket t, const platform::NameAnswer& a) {
                    mail->deliver(UM_LOOKUPDONE, t, a);
                });
            if (ticket) // one that cannot start is not tried again
                m_pending[address] = {platform::tickCount(), ticket};
        }
    }

    void lookupsDone(Window& self)
    {
        QPointer<Window> alive(&self);
        platform::NameTicket ticket;
        platform::NameAnswer answer;
        bool any = false;
        while (alive && m_mail->take(UM_LOOKUPDONE, ticket, answer)) {
            auto it = m_pending.begin();
            while (it != m_pending.end() && it->second.ticket != ticket)
                ++it;
            if (it == m_pending.end())
                continue;
            const std::uint32_t address = it->first;
            m_pending.erase(it);
            const std::string name = answer.error == 0 ? storedName(answer.name) : std::string();
            send(parentWindow(&self), UM_HOSTRESOLVED, address,
                 name.empty() ? 0 : reinterpret_cast<LParam>(name.c_str()));
            any = true;
        }
        if (any && alive && m_probe == 0 && self.hasTimer(kLookupTimer))
            topUp(self);
    }

    struct Pending
    {
        std::uint32_t started;
        platform::NameTicket ticket;
    };
    std::shared_ptr<platform::NameService> m_service;
    std::shared_ptr<Mailbox> m_mail = std::make_shared<Mailbox>();
    platform::NameTicket m_probe = 0;
    std::map<std::uint32_t, Pending> m_pending; // by address, network byte order
};

class HostCache final : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override
    {
        switch (msg) {
        case WM_CREATE:
            if (!create(kResolverClass, &self, 0, QRect(), nullptr, 0)) {
                QMessageBox::critical(nullptr, QStringLiteral("DNS"),
                                      QStringLiteral("Create resolver failed"));
                return -1;
            }
            m_state.hosts = hostTable(self).size();
            for (const store::HostEntry& h : hostTable(self))
                m_state.named += h.name != nullptr;
            self.setTimer(kStatusTimer, g_timers.statusMillis);
            updateText(self, false);
            return 0;
        case UM_GETADDRESSES:
            return handOut(self, static_cast<std::size_t>(wParam),
                           reinterpret_cast<std::uint32_t*>(lParam));
        case UM_HOSTRESOLVED:
            recordAnswer(self, static_cast<std::uint32_t>(wParam),
                         reinterpret_cast<const char*>(lParam), lParam);
            return 0;
        case UM_NAMESOFFLINE:
            m_offline = true;
            return 0;
        case UM_ISNAMESOFFLINE:
            return m_offline ? 1 : 0;
        case WM_TIMER:
            if (static_cast<int>(wParam) == kStatusTimer) {
                updateText(self, true);
            } else if (static_cast<int>(wParam) == kQuietTimer) {
                self.killTimer(kQuietTimer);
                m_state.quiet = true;
            }
            return 0;
        case WM_DESTROY:
            updateText(self, true);
            return 0;
        default:
            return defaultProc(self, msg, wParam, lParam);
        }
    }

  private:
    struct HostTable
    {
        store::HostEntry* first = nullptr;
        std::size_t count = 0;
        std::size_t size() const { return count; }
        store::HostEntry* begin() const { return first; }
        store::HostEntry* end() const { return first + count; }
    };
    static HostTable hostTable(Window& self)
    {
        HostTable t;
        t.count = static_cast<std::size_t>(
            send(parentWindow(&self), UM_GETHOSTS, 0, reinterpret_cast<LParam>(&t.first)));
        if (!t.first)
            t.count = 0;
        return t;
    }

    std::size_t handOut(Window& self, std::size_t n, std::uint32_t* buffer)
    {
        if (!buffer || n == 0)
            return 0;
        std::size_t put = 0;
        if (m_state.named < m_state.hosts) {
            const HostTable table = hostTable(self);
            for (; m_cursor < table.size() && put < n; ++m_cursor) {
                const store::HostEntry& h = table.first[m_cursor];
                if (!h.name && h.address)
                    buffer[put++] = htonl(h.address);
            }
            return put;
        }
        if (m_state.hosts == 0)
            return 0;
        // Every host has a name: renew the lines of cache files older than 30 days. They are
        // read beside the window; what has been read is handed out, and the resolver asks
        // again at its next tick while the reader is busy.
        if (!m_renewal)
            m_renewal = std::make_unique<RenewalReader>(
                platform::homeDir(), static_cast<std::int64_t>(std::time(nullptr)));
        put = m_renewal->take(buffer, n);
        for (std::size_t i = 0; i < put; ++i)
            buffer[i] = htonl(buffer[i]);
        m_state.renewals += put;
        if (put == 0 && m_renewal->finished())
            post(&self, WM_CLOSE); // nothing (more) to renew: the work for this load is done
        return put;
    }

    void recordAnswer(Window& self, std::uint32_t networkAddress, const char* name, LParam raw)
    {
        if (const int rc = appendHostName(platform::homeDir(), ntohl(networkAddress), name))
            platform::trace("host cache write failed err=%d", rc);
        if (m_state.renewals > 0) {
            // The store keeps the name it loaded; the renewed one counts from the next load.
            --m_state.renewals;
        } else {
            ++m_state.named;
            if (Window* store = parentWindow(&self))
                send(parentWindow(store), UM_HOSTRESOLVED, networkAddress, raw);
        }
        m_state.quiet = false;
        updateText(self, false);
        self.setTimer(kQuietTimer, g_timers.quietMillis);
    }

    void updateText(Window& self, bool toggle)
    {
        if (toggle)
            m_state.blink = !m_state.blink;
        const QString text = QString::fromLatin1(statusText(m_state).c_str());
        send(&self, WM_SETTEXT, 0, reinterpret_cast<LParam>(&text));
        Window* store = parentWindow(&self);
        if (Window* bar = child(store ? store->parentWidget() : nullptr, IDW_STATUSBAR))
            bar->update();
    }

    LookupState m_state;
    std::size_t m_cursor = 0;
    std::unique_ptr<RenewalReader> m_renewal;
    bool m_offline = false; // the resolver found that names cannot be looked up
};

} // namespace

void registerHostWindows()
{
    registerClass(kHostCacheClass, [](void*) { return std::make_unique<HostCache>(); });
    registerClass(kResolverClass, [](void*) { return std::make_unique<Resolver>(); });
}

void setHostTimers(const HostTimers& timers)
{
    g_timers = timers;
}

} // namespace hosts
