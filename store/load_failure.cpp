#include "store/load_failure.h"

#include "import/vxlog_reader.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <cstdio>
#include <filesystem>

namespace store {
namespace {

using Kind = LoadTrouble::Kind;

std::string codeText(int code)
{
    char text[48];
    std::snprintf(text, sizeof text, "err=%d(0x%X)", code, static_cast<unsigned>(code));
    return text;
}

// A path that exists but is no regular file (a FIFO, a device): nothing to read a log from.
bool notRegular(const std::string& path)
{
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    return !ec && type != std::filesystem::file_type::regular &&
           type != std::filesystem::file_type::directory &&
           type != std::filesystem::file_type::not_found;
}

bool damaged(int code)
{
    return code == platform::kErrBadFormat || code == 1 || code == platform::kErrInvalidData ||
           (code >= platform::kErrShortHeader && code <= platform::kErrShortFragments);
}

} // namespace

std::string openFailureMessage(int code)
{
    switch (code) {
    case 0:
    case platform::kErrCancelled:
        return "";
    case platform::kErrNoData:
        return "解析に十分なデータがありません";
    case platform::kErrBadFormat:
        return "ファイル形式が正しくありません";
    default:
        return "Open LogFile failed\r\n\r\n" + codeText(code);
    }
}

std::string troubleLine(int code, const LoadTrouble& t)
{
    if (code == 0 || code == platform::kErrCancelled)
        return "";
    if (t.kind == Kind::None)
        return code == platform::kErrNotEnoughMemory
                   ? "メモリが足りないため、解析ログを読み込めませんでした"
                   : "";
    const bool missing = code == platform::kErrFileNotFound || code == platform::kErrPathNotFound;
    const bool denied = code == platform::kErrAccessDenied;
    std::string what;
    switch (t.kind) {
    case Kind::AnalysedLog:
        if (missing)
            what = "解析ログが見つかりません";
        else if (denied && platform::isDirectory(t.path))
            what = "解析ログではなくフォルダです";
        else if (denied)
            what = "解析ログを読む権限がありません";
        else if (code == platform::kErrBadFormat && notRegular(t.path))
            what = "解析ログが通常のファイルではありません";
        else if (damaged(code))
            what = "解析ログが壊れているか、解析ログではありません";
        else if (code == platform::kErrNoData)
            what = "サイトを見つけられなかった解析ログ";
        else
            what = "解析ログを読み込めません";
        break;
    case Kind::ReadFile:
        if (code < 0)
            what = "規則ファイルのパターンを評価できません";
        else if (denied)
            what = "ファイルを読む権限がありません";
        else
            what = "ファイルを読み込めません";
        break;
    case Kind::WriteFile:
        what = code == platform::kErrDiskFull ? "ディスクがいっぱいで書き込めません"
                                              : "データフォルダのファイルに書き込めません";
        break;
    case Kind::WriteFolder:
        what = "データフォルダに書き込めません";
        break;
    case Kind::None:
        break;
    }
    return what + ": " + t.path;
}

std::string openFailureText(int code, const LoadTrouble& trouble)
{
    std::string text = openFailureMessage(code);
    const std::string line = troubleLine(code, trouble);
    if (!text.empty() && !line.empty())
        text += "\r\n\r\n" + line;
    return text;
}

std::string troubleReason(int code, const LoadTrouble& t)
{
    std::string reason =
        code == platform::kErrBadFormat && t.kind == Kind::AnalysedLog && notRegular(t.path)
            ? "not a regular file"
            : sievra::analysedLogError(code);
    switch (t.kind) {
    case Kind::ReadFile:
        reason =
            "cannot read " + t.path + ": " + (code < 0 ? "a pattern cannot be evaluated" : reason);
        break;
    case Kind::WriteFile:
        reason = "cannot write " + t.path + ": " + reason;
        break;
    case Kind::WriteFolder:
        reason = "cannot write to the data folder " + t.path + ": " + reason;
        break;
    case Kind::AnalysedLog:
    case Kind::None:
        break;
    }
    return reason + " (" + codeText(code) + ")";
}

std::string failureWithCode(const char* what, int code)
{
    return std::string(what) + "\n" + codeText(code);
}

std::string sideProgramOpenFailure(int code)
{
    switch (code) {
    case 0:
    case 1223:
        return {};
    case 232:
        return "解析に十分なデータがありません";
    case 11:
        return "ファイル形式が正しくありません";
    default:
        return failureWithCode("Open LogFile failed", code);
    }
}

} // namespace store
