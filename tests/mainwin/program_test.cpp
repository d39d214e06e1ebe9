// The real Vexilo program, started as a user starts it (offscreen): it opens the analysed
// log of its command line, shows its site in the title, and ends with 0 on a close
// request, leaving no report work folder behind. Its trace lines tell the test what it
// shows.

#include "tests/platform/temp_dir.h"
#include "tests/store/hits.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace vxtest;

// A UDP socket on a free loopback port that receives the program's trace lines.
class TraceListener
{
  public:
    TraceListener()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~TraceListener() { ::close(m_fd); }
    int port() const { return m_port; }

    // Waits up to `seconds` for a line that begins with prefix; returns it or "".
    std::string waitFor(const std::string& prefix, int seconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 200) <= 0)
                continue;
            char line[1100];
            const ssize_t n = ::recv(m_fd, line, sizeof line - 1, 0);
            if (n <= 0)
                continue;
            line[n] = '\0';
            if (std::string(line).rfind(prefix, 0) == 0)
                return line;
        }
        return {};
    }

  private:
    int m_fd = -1;
    int m_port = 0;
};

class Program : public ::testing::Test
{
  protected:
    pid_t start(const std::vector<std::string>& arguments, bool registered)
    {
        std::filesystem::create_directories(m_dir.file("tmp"));
        std::filesystem::create_directories(m_dir.file("config/Orvane"));
        std::filesystem::create_directories(m_dir.file("data"));
        if (registered)
            writeFile(m_dir.file("config/Orvane/registry.ini"),
                      "[SOFTWARE\\Orvane\\Vexilo]\r\nHomeDir=" + m_dir.file("data") + "\r\n");
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen",
                                        "HOME=" + m_dir.path(),
                                        "XDG_CONFIG_HOME=" + m_dir.file("config"),
                                        "TMPDIR=" + m_dir.file("tmp"),
                                        "VEXILO_TRACE_PORT=" + std::to_string(m_trace.port()),
                                        "VEXILO_NAME_SERVICE=offline"}; // never the network
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("PATH=", 0) == 0 || std::string(*e).rfind("LANG=", 0) == 0)
                env.push_back(*e);
        std::vector<std::string> args = {VEXILO_PROGRAM};
        args.insert(args.end(), arguments.begin(), arguments.end());
        auto pointers = [](std::vector<std::string>& v) {
            std::vector<char*> p;
            for (auto& s : v)
                p.push_back(s.data());
            p.push_back(nullptr);
            return p;
        };
        auto argv = pointers(args), envp = pointers(env);
        pid_t pid = -1;
        EXPECT_EQ(::posix_spawn(&pid, VEXILO_PROGRAM, nullptr, nullptr, argv.data(), envp.data()),
                  0);
        return pid;
    }

    // The exit status, or -1 when the program did not end within the time.
    static int waitExit(pid_t pid, int seconds)
    {
        for (int i = 0; i < seconds * 20; ++i) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid)
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            ::usleep(50000);
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }

    std::size_t workFolders()
    {
        std::size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(m_dir.file("tmp")))
            n += e.path().filename().string().rfind("report", 0) == 0;
        return n;
    }

    TempDir m_dir;
    TraceListener m_trace;
};

TEST_F(Program, OpensTheLogOfItsCommandLineAndEndsCleanly)
{
    const std::string log = m_dir.file("site.vxlog");
    ASSERT_EQ(importHits(siteChain(), log), 0u);
    const pid_t pid = start({log}, true);
    EXPECT_EQ(m_trace.waitFor("title=Vexilo - www.example.com", 60),
              "title=Vexilo - www.example.com");
    EXPECT_EQ(workFolders(), 1u);
    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid, 30), 0);
    EXPECT_EQ(workFolders(), 0u);
}

TEST_F(Program, CancellingTheDataFolderEndsWithOne)
{
    // No data folder registered: the dialog asks for one; a close request cancels it.
    const pid_t pid = start({}, false);
    // The signal is read by the first event loop that runs, the dialog's own: no wait for
    // the dialog is needed.
    EXPECT_EQ(m_trace.waitFor("---- Vexilo", 60), "---- Vexilo");
    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid, 30), 1);
}

} // namespace
