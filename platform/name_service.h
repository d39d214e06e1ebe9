#pragma once

// The platform's name service: reverse lookups of IPv4 addresses and forward lookups of
// host names, carried out in the background. Every lookup that was started ends in
// exactly one completion, unless it is cancelled first; completions run on a thread of the
// service, so a window that wants them posts them to itself. The real service is a small
// pool of threads over getnameinfo/getaddrinfo with a time limit per lookup; tests put in
// a fake.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

struct NameAnswer
{
    int error = 0;             // 0, or why the lookup failed (a resolver code, a time-out)
    std::string name;          // address lookups: the official host name as the DNS gives it
    std::uint32_t address = 0; // name lookups: the first IPv4 address, network byte order
};

using NameTicket = std::uint64_t;
using NameCompletion = std::function<void(NameTicket, const NameAnswer&)>;

class NameService
{
  public:
    virtual ~NameService() = default;
    // Start a lookup; 0 when it cannot be started (no completion follows then).
    virtual NameTicket lookupAddress(std::uint32_t networkAddress, NameCompletion done) = 0;
    virtual NameTicket lookupName(const std::string& name, NameCompletion done) = 0;
    // After cancel the completion of that lookup is not called. One that had already begun
    // on another thread may still be finishing: a completion keeps alive what it uses
    // (shared state), never a window or an object the canceller is about to delete.
    virtual void cancel(NameTicket ticket) = 0;
};

// Error of a lookup that ran out of time.
inline constexpr int kNameTimeout = 1460;

// A pool of `threads` workers; a lookup not answered within timeoutMillis completes with
// kNameTimeout. The service's end joins its threads; a worker the system still keeps
// waiting after 2 s is left to finish on its own, its answer going nowhere.
std::shared_ptr<NameService> makeNameService(int threads, int timeoutMillis);

// A service without the network: every lookup ends at once with an error, so the resolver's
// probe fails and nothing is looked up. The programs use it when the environment variable
// VEXILO_NAME_SERVICE is "offline" (tests, machines that must not ask the DNS).
std::shared_ptr<NameService> makeOfflineNameService();
// Whether VEXILO_NAME_SERVICE asks for the offline service.
bool offlineByChoice();

// The service the program uses (20 workers, 10 s; offline as said above), unless one was set.
std::shared_ptr<NameService> nameService();
void setNameService(std::shared_ptr<NameService> service);

} // namespace platform
