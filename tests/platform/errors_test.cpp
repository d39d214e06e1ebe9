#include "platform/errors.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

TEST(Errors, ErrnoMapsOntoTheProgramsCodes)
{
    const struct
    {
        int err;
        int code;
    } cases[] = {
        {0, 0},        {ENOENT, 2}, {EACCES, 5},  {EPERM, 5},  {EINVAL, 87},
        {ENOSPC, 112}, {EIO, 1117}, {ENOTDIR, 3}, {ENOMEM, 8}, {ECONNRESET, 31},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::errorFromErrno(c.err), c.code) << "errno " << c.err;
}

TEST(Errors, LastErrorIsNeverSuccess)
{
    errno = 0;
    EXPECT_EQ(platform::lastError(), platform::kErrGenFailure);
    errno = ENOENT;
    EXPECT_EQ(platform::lastError(), platform::kErrFileNotFound);
}

} // namespace
