#pragma once

// Result codes shared by every component: 0 is success, everything else one of the
// integers below (the values the library's callers and the messages shown to users rely
// on, so they never change).

#include <string>

namespace platform {

enum ErrorCode : int {
    kOk = 0,
    kErrFileNotFound = 2,
    kErrPathNotFound = 3,
    kErrTooManyOpenFiles = 4,
    kErrAccessDenied = 5,
    kErrInvalidHandle = 6, // a null or released handle
    kErrNotEnoughMemory = 8,
    kErrBadFormat = 11,   // not an analysed log
    kErrInvalidData = 13, // damaged or cut-off compressed data
    kErrNoMoreFiles = 18, // all input read (import progress), not an error
    kErrGenFailure = 31,
    kErrHandleEof = 38,
    kErrFileExists = 80,
    kErrInvalidParameter = 87, // bad options
    kErrDiskFull = 112,
    kErrShortHeader = 100,     // an analysed log that ends inside its header,
    kErrShortRecords = 101,    //   its records,
    kErrShortDictionary = 102, //   its dictionary
    kErrShortFragments = 103,  //   or its fragments
    kErrInsufficientBuffer = 122,
    kErrNoData = 232, // not enough data to analyse
    kErrNoMoreItems = 259,
    kErrIoDevice = 1117,
    kErrNotFound = 1168,  // gzip input not opened
    kErrCancelled = 1223, // cancelled by the user
};

// Maps a POSIX errno value onto the codes above.
int errorFromErrno(int err);

// A short English description of a code, for messages on the command line.
std::string errorText(int code);

// errorFromErrno(errno), never 0: a failure with errno 0 reads as kErrGenFailure.
int lastError();

} // namespace platform
