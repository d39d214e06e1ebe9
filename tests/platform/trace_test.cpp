#include "platform/trace.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A UDP listener on a free loopback port.
class Listener
{
  public:
    Listener()
    {
        m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&at), sizeof at);
        socklen_t length = sizeof at;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&at), &length);
        m_port = ntohs(at.sin_port);
        timeval wait{2, 0};
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    }
    ~Listener() { ::close(m_socket); }
    std::uint16_t port() const { return m_port; }

    // One datagram as received, or "" after the time-out.
    std::string receive()
    {
        char buf[4096];
        const ssize_t n = ::recv(m_socket, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, std::size_t(n)) : std::string();
    }

  private:
    int m_socket = -1;
    std::uint16_t m_port = 0;
};

TEST(Trace, EachLineIsOneDatagramWithItsNul)
{
    Listener listener;
    platform::setTracePort(listener.port());
    platform::trace("Loading %d time=%d hr=%d %X\r\n", 1, 250, 0, 0);
    EXPECT_EQ(listener.receive(), std::string("Loading 1 time=250 hr=0 0\r\n\0", 28));

    // Long lines are cut to 1023 characters.
    const std::string longText(3000, 'x');
    platform::trace("%s", longText.c_str());
    const std::string got = listener.receive();
    ASSERT_EQ(got.size(), 1024u);
    EXPECT_EQ(got.back(), '\0');
}

TEST(Trace, LinesFromManyThreadsNeverInterleave)
{
    Listener listener;
    platform::setTracePort(listener.port());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                platform::trace("thread=%d line=%d %s\r\n", t, i, "payload-payload-payload");
        });
    for (auto& th : threads)
        th.join();
    std::set<std::string> lines;
    for (int i = 0; i < 200; ++i) {
        const std::string line = listener.receive();
        ASSERT_FALSE(line.empty()) << "datagram " << i << " missing";
        lines.insert(line);
    }
    EXPECT_EQ(lines.size(), 200u);
    static const char last[] = "thread=3 line=49 payload-payload-payload\r\n";
    EXPECT_TRUE(lines.count(std::string(last, sizeof last)));
}

TEST(Trace, SwitchedOffSendsNothing)
{
    Listener listener;
    platform::setTracePort(listener.port());
    platform::setTraceEnabled(false);
    platform::trace("hidden\r\n");
    platform::setTraceEnabled(true);
    platform::trace("shown\r\n");
    EXPECT_EQ(listener.receive(), std::string("shown\r\n\0", 8));
}

TEST(Trace, LinesNobodyHearsLeaveTheTraceWorking)
{
    // The discard port: nothing listens, the system answers "refused", the lines are lost
    // without a sound, and the trace works again for the next listener.
    platform::setTracePort(9);
    for (int i = 0; i < 10; ++i)
        platform::trace("nobody hears line %d\r\n", i);
    Listener listener;
    platform::setTracePort(listener.port());
    platform::trace("heard\r\n");
    EXPECT_EQ(listener.receive(), std::string("heard\r\n\0", 8));
}

} // namespace
