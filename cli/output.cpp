#include "cli/output.h"

#include <cerrno>
#include <cstring>
#include <iostream>

namespace cli {

bool Output::write(std::string_view bytes)
{
    if (m_failed)
        return false;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_stream) != bytes.size())
        fail(errno);
    return !m_failed;
}

bool Output::flush()
{
    if (m_failed)
        return false;
    errno = 0;
    if (std::fflush(m_stream) != 0)
        fail(errno);
    else if (std::ferror(m_stream))
        fail(0); // a write by someone else failed; its errno is gone
    return !m_failed;
}

void Output::fail(int error)
{
    m_failed = true;
    m_error = error;
}

Output& standardOutput()
{
    static Output output(stdout);
    return output;
}

int finishStandardOutput(int status)
{
    // First, so that a failing flush leaves its errno here. The help text, written through
    // iostreams, shares the stream's buffer and is flushed with it.
    Output& output = standardOutput();
    if (output.flush() && std::cout.flush())
        return status;
    if (output.error())
        std::fprintf(stderr, "vexilo-cli: cannot write to standard output: %s\n",
                     std::strerror(output.error()));
    else
        std::fputs("vexilo-cli: cannot write to standard output\n", stderr);
    return status ? status : 1;
}

} // namespace cli
