#include "filters/kinds.h"

#include <cstring>

namespace filters {
namespace {

constexpr KindInfo kKinds[kKindCount] = {
    {Kind::Req, "WC_FILTER_REQ", 40016, "閲覧ページ", "URL", true, true, true, "(null)", "の次に",
     "を閲覧した訪問者"},
    {Kind::ReqBegin, "WC_FILTER_REQBEGIN", 40028, "閲覧開始ページ", "URL", false, true, false,
     "(null)", nullptr, "から閲覧を開始した訪問者"},
    {Kind::ReqEnd, "WC_FILTER_REQEND", 40029, "閲覧終了ページ", "URL", false, true, false, "(null)",
     nullptr, "で閲覧を終了した訪問者"},
    {Kind::Query, "WC_FILTER_QUERY", 40039, "Query", "Query", true, false, true, "", "へ",
     "のQueryでの訪問者"},
    {Kind::Ref, "WC_FILTER_REF", 40015, "参照元", "Referer", true, true, true, "no referer",
     "の前に", "を閲覧した訪問者"},
    {Kind::SearchName, "WC_FILTER_SEARCHNAME", 40024, "検索エンジン名", "Name", false, false, false,
     "unknown", nullptr, "の検索エンジンからの訪問者"},
    {Kind::SearchWord, "WC_FILTER_SEARCHWORD", 40017, "検索ワード", "Words", false, false, false,
     "(null)", nullptr, "の検索結果からの訪問者"},
    {Kind::Agent, "WC_FILTER_AGENT", 40025, "UserAgent", "UserAgent", true, false, false, "(null)",
     nullptr, "のUserAgentでの訪問者"},
    {Kind::Browser, "WC_FILTER_BROWSER", 40018, "訪問ブラウザ", "Browser/UserAgent", true, false,
     false, "(null)", nullptr, "のブラウザでの訪問者"},
    {Kind::Os, "WC_FILTER_OS", 40026, "訪問OS", "OS/UserAgent", true, false, false, "(null)",
     nullptr, "のOSでの訪問者"},
    {Kind::HostName, "WC_FILTER_HOSTNAME", 40027, "ホスト名", "HostName", true, false, false,
     "#resolving ...", nullptr, "からの訪問者"},
    {Kind::TldJp, "WC_FILTER_TLDJP", 40040, "TLD + jp", "HostName", true, false, false,
     "#resolving ...", nullptr, "からの訪問者"},
    {Kind::Domain, "WC_FILTER_DOMAIN", 40041, "ドメイン名", "HostName", true, false, false,
     "#resolving ...", nullptr, "からの訪問者"},
    {Kind::VisitorKind, "WC_FILTER_VISITORKIND", 40043, "訪問者の種類", "Kind", true, false, false,
     "(null)", nullptr, "の訪問者"},
};

constexpr std::string_view kClassPrefix = "WC_FILTER_";

bool equalAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

bool startsWithJpAndTwoByteLabel(std::string_view h, std::size_t second)
{
    return h.size() >= 3 && h.compare(0, 3, "jp.") == 0 && second == 5;
}

} // namespace

const KindInfo& kindInfo(Kind kind)
{
    return kKinds[static_cast<int>(kind)];
}

std::span<const KindInfo, kKindCount> allKinds()
{
    return kKinds;
}

const KindInfo* kindOfCommand(int command)
{
    for (const KindInfo& k : kKinds)
        if (k.command == command)
            return &k;
    return nullptr;
}

const KindInfo* kindOfClass(std::string_view className)
{
    for (const KindInfo& k : kKinds)
        if (className == k.className)
            return &k;
    return nullptr;
}

std::optional<Kind> kindFromName(std::string_view name)
{
    for (const KindInfo& k : kKinds) {
        const std::string_view cls = k.className;
        if (name == cls || equalAsciiNoCase(name, cls.substr(kClassPrefix.size())))
            return k.kind;
    }
    return std::nullopt;
}

unsigned kindFlags(Kind kind)
{
    const KindInfo& k = kindInfo(kind);
    unsigned flags = kFlagBypass | kFlagPercent;
    if (k.groupButton)
        flags |= kFlagGroup;
    if (k.pathButton)
        flags |= kFlagPath;
    if (kind == Kind::SearchWord)
        flags |= kFlagSplit | kFlagCaps;
    return flags;
}

unsigned flagOfCommand(int command)
{
    switch (command) {
    case kCommandBypass:
        return kFlagBypass;
    case kCommandPercent:
        return kFlagPercent;
    case kCommandGroup:
        return kFlagGroup;
    case kCommandPath:
        return kFlagPath;
    case kCommandSplit:
        return kFlagSplit;
    case kCommandCaps:
        return kFlagCaps;
    default:
        return 0;
    }
}

const char* tooltipOf(int command)
{
    switch (command) {
    case kCommandBypass:
        return "訪問者のフィルタを行なわない";
    case kCommandGroup:
        return "URLグループで表示";
    case kCommandPath:
        return "上のフィルタに続く経路として演算";
    case kCommandPercent:
        return "訪問者を割合(%)で表示";
    case kCommandSplit:
        return "空白文字で単語に分割";
    case kCommandCaps:
        return "大文字小文字を区別する";
    case kCommandExport:
        return "ファイルにエクスポート";
    case kCommandTitle:
        return "表示の切り替え";
    case kCommandDescribe:
        return "フィルタの説明";
    case kCommandUp:
        return "上に移動";
    case kCommandDown:
        return "下に移動";
    case kCommandClose:
        return "フィルタを閉じる";
    default:
        return nullptr;
    }
}

std::size_t topLevelDomainLength(std::string_view h)
{
    const std::size_t first = h.find('.');
    if (first == std::string_view::npos)
        return h.size();
    const std::size_t second = h.find('.', first + 1);
    return startsWithJpAndTwoByteLabel(h, second) ? second : first;
}

std::size_t domainLength(std::string_view h)
{
    const std::size_t first = h.find('.');
    const std::size_t second = first == std::string_view::npos ? first : h.find('.', first + 1);
    if (second == std::string_view::npos)
        return h.size();
    if (!startsWithJpAndTwoByteLabel(h, second))
        return second;
    const std::size_t third = h.find('.', second + 1);
    return third == std::string_view::npos ? h.size() : third;
}

} // namespace filters
