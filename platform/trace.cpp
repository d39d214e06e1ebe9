#include "platform/trace.h"

#include <arpa/inet.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

struct TraceChannel
{
    std::mutex lock;
    int socket = -1;
    bool failed = false;
    bool enabled = true;
    std::uint16_t port = 514;

    // Connects on first use; a failure switches the channel off for good.
    bool ready()
    {
        if (socket >= 0)
            return true;
        if (failed)
            return false;
        socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (socket < 0) {
            failed = true;
            return false;
        }
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
            ::close(socket);
            socket = -1;
            failed = true;
            return false;
        }
        return true;
    }
};

TraceChannel& channel()
{
    static TraceChannel instance;
    return instance;
}

} // namespace

void trace(const char* format, ...)
{
    TraceChannel& ch = channel();
    std::lock_guard guard(ch.lock);
    if (!ch.enabled || !ch.ready())
        return;
    char line[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0)
        return;
    const std::size_t length = std::strlen(line) + 1; // the NUL travels with the line
    // Unreachable listeners are not our business: errors are ignored.
    [[maybe_unused]] ssize_t sent = ::send(ch.socket, line, length, MSG_DONTWAIT | MSG_NOSIGNAL);
}

void setTraceEnabled(bool enabled)
{
    TraceChannel& ch = channel();
    std::lock_guard guard(ch.lock);
    ch.enabled = enabled;
}

void setTracePort(std::uint16_t port)
{
    TraceChannel& ch = channel();
    std::lock_guard guard(ch.lock);
    if (ch.socket >= 0)
        ::close(ch.socket);
    ch.socket = -1;
    ch.failed = false;
    ch.port = port;
}

} // namespace platform
