#pragma once

// What the store says when an open fails (UTF-8; shown in a box captioned "LogContainer").

#include <cstdio>
#include <string>

namespace store {

// "" for a cancelled load (1223), which is not reported.
inline std::string openFailureMessage(int code)
{
    switch (code) {
    case 0:
    case 1223:
        return "";
    case 232:
        return "解析に十分なデータがありません";
    case 11:
        return "ファイル形式が正しくありません";
    default: {
        char text[64];
        std::snprintf(text, sizeof text, "Open LogFile failed\r\n\r\nerr=%d(0x%X)", code,
                      static_cast<unsigned>(code));
        return text;
    }
    }
}

} // namespace store
