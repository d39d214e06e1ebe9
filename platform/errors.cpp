#include "errors.h"

#include <cerrno>

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
