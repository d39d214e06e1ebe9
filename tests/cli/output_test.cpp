// The commands' standard output: what a failed write does to later writes and to the
// status a command ends with.

#include "cli/output.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

// A stream over the write end of a pipe whose reader is gone.
std::FILE* openClosedPipe()
{
    int ends[2];
    if (::pipe(ends) != 0)
        return nullptr;
    ::close(ends[0]);
    return ::fdopen(ends[1], "w");
}

// SIGPIPE ignored for a test's lifetime, as a shell script with trap '' PIPE does.
class IgnoreSigpipe
{
  public:
    IgnoreSigpipe() : m_previous(std::signal(SIGPIPE, SIG_IGN)) {}
    ~IgnoreSigpipe() { std::signal(SIGPIPE, m_previous); }

  private:
    void (*m_previous)(int);
};

struct FailingCase
{
    const char* name;
    std::function<std::FILE*()> open;
    int error;
    std::size_t bytes; // small ones wait in the buffer until the flush
};

TEST(CliOutput, ReportsTheFirstFailureWithItsCause)
{
    IgnoreSigpipe ignore;
    const FailingCase cases[] = {
        {"full disk, buffered", [] { return std::fopen("/dev/full", "w"); }, ENOSPC, 10},
        {"full disk, large", [] { return std::fopen("/dev/full", "w"); }, ENOSPC, 1 << 20},
        {"closed pipe, buffered", openClosedPipe, EPIPE, 10},
        {"closed pipe, large", openClosedPipe, EPIPE, 1 << 20},
    };
    for (const FailingCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::FILE* stream = c.open();
        ASSERT_NE(stream, nullptr);
        cli::Output output(stream);
        const bool written = output.write(std::string(c.bytes, 'x'));
        const bool flushed = output.flush();
        EXPECT_FALSE(flushed);
        EXPECT_TRUE(output.failed());
        EXPECT_EQ(output.error(), c.error);
        if (c.bytes > BUFSIZ) {
            EXPECT_FALSE(written); // seen at once, not only at the end
        }
        std::fclose(stream);
    }
}

// A stream that counts the writes reaching it and fails the first.
struct CountingSink
{
    int writes = 0;
};

ssize_t failFirstWrite(void* cookie, const char*, std::size_t size)
{
    auto* sink = static_cast<CountingSink*>(cookie);
    if (++sink->writes == 1) {
        errno = EIO;
        return 0; // fewer bytes than asked: the stream's error
    }
    return static_cast<ssize_t>(size);
}

TEST(CliOutput, WritesNothingAfterAFailure)
{
    CountingSink sink;
    cookie_io_functions_t functions{};
    functions.write = failFirstWrite;
    std::FILE* stream = ::fopencookie(&sink, "w", functions);
    ASSERT_NE(stream, nullptr);
    std::setvbuf(stream, nullptr, _IONBF, 0);
    cli::Output output(stream);

    EXPECT_FALSE(output.write("first"));
    EXPECT_FALSE(output.write("second"));
    EXPECT_FALSE(output.flush());
    EXPECT_EQ(sink.writes, 1); // the stream itself would have taken "second"
    EXPECT_EQ(output.error(), EIO);
    std::fclose(stream);
}

TEST(CliOutput, NoticesAFailureOfAnotherWriterOnTheSameStream)
{
    // The import library prints to standard output with its own calls.
    std::FILE* stream = std::fopen("/dev/full", "w");
    ASSERT_NE(stream, nullptr);
    std::fputs("a line of someone else\n", stream);
    std::fflush(stream);
    cli::Output output(stream);
    EXPECT_FALSE(output.flush());
    EXPECT_TRUE(output.failed());
    std::fclose(stream);
}

TEST(CliOutput, PassesEveryByteThrough)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    cli::Output output(stream);
    // NUL bytes and CP932 trail bytes that look like ASCII stay as they are.
    const std::string first("a\0b\t\x83\x5C\n", 7);
    const std::string second(70000, '\x81');
    EXPECT_TRUE(output.write(first));
    EXPECT_TRUE(output.write(""));
    EXPECT_TRUE(output.write(second));
    EXPECT_TRUE(output.flush());
    EXPECT_FALSE(output.failed());

    std::rewind(stream);
    std::string read(first.size() + second.size() + 1, '\0');
    read.resize(std::fread(read.data(), 1, read.size(), stream));
    EXPECT_EQ(read, first + second);
    std::fclose(stream);
}

} // namespace
