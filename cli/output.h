#pragma once

// Standard output of the commands. Results go to files and pipes in scripts, where a full
// disk or a reader that went away must not pass for success: a failed write is remembered,
// later writes are not attempted (a long listing stops at once), and main() ends with
// status 1 and one message on standard error.

#include <cstdio>
#include <string_view>

namespace cli {

class Output
{
  public:
    explicit Output(std::FILE* stream) : m_stream(stream) {}

    // Writes bytes unless an earlier write failed; false once anything failed.
    bool write(std::string_view bytes);
    // Hands the buffered bytes to the file; false once anything failed.
    bool flush();
    bool failed() const { return m_failed; }
    // errno of the first failure; 0 while nothing failed or when the cause is unknown.
    int error() const { return m_error; }

  private:
    void fail(int error);

    std::FILE* m_stream;
    bool m_failed = false;
    int m_error = 0;
};

// The commands' results on standard output.
Output& standardOutput();

// Flushes standard output, including what others wrote there (the help text, the import
// library's lines). When anything written to it was lost, says so on standard error and
// returns 1 if status was 0; otherwise returns status.
int finishStandardOutput(int status);

} // namespace cli
