#include "errors.h"

#include <cerrno>
#include <cstdio>

namespace platform {

int errorFromErrno(int err)
{
    switch (err) {
    case 0:
        return kOk;
    case ENOENT:
        return kErrFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
        return kErrPathNotFound;
    case EMFILE:
    case ENFILE:
        return kErrTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return kErrAccessDenied;
    case ENOMEM:
        return kErrNotEnoughMemory;
    case EEXIST:
        return kErrFileExists;
    case EINVAL:
    case EBADF:
        return kErrInvalidParameter;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return kErrDiskFull;
    case EIO:
        return kErrIoDevice;
    default:
        return kErrGenFailure;
    }
}

int lastError()
{
    const int code = errorFromErrno(errno);
    return code == kOk ? kErrGenFailure : code;
}

} // namespace platform

namespace platform {

std::string errorText(int code)
{
    switch (code) {
    case kOk:
        return "no error";
    case kErrFileNotFound:
        return "file not found";
    case kErrPathNotFound:
        return "folder not found";
    case kErrTooManyOpenFiles:
        return "too many open files";
    case kErrAccessDenied:
        return "access denied";
    case kErrNotEnoughMemory:
        return "not enough memory";
    case kErrBadFormat:
        return "not an analysed log, or a damaged one";
    case kErrInvalidData:
        return "damaged or cut-off compressed data";
    case kErrFileExists:
        return "the file exists";
    case kErrInvalidParameter:
        return "bad options";
    case kErrDiskFull:
        return "the disk is full";
    case kErrNoData:
        return "not enough data to analyse";
    case kErrIoDevice:
        return "input/output error";
    case kErrNotFound:
        return "cannot be opened";
    case kErrCancelled:
        return "cancelled";
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "error %d", code);
        return text;
    }
    }
}

} // namespace platform
