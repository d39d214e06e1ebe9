#include "tools/genlog/genlog.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <gtest/gtest.h>
#include <iconv.h>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>
#include <zlib.h>

namespace {

using genlog::Options;

std::string generateText(const Options& opt)
{
    genlog::StringSink sink;
    EXPECT_TRUE(genlog::generate(opt, sink));
    return sink.text;
}

Options opts(std::uint64_t seed, std::uint64_t lines, int days)
{
    Options o;
    o.seed = seed;
    o.lines = lines;
    o.days = days;
    return o;
}

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) {
            out.push_back(
                text.substr(pos)); // an unterminated last line: the format test catches it
            break;
        }
        out.push_back(text.substr(pos, nl - pos));
        pos = nl + 1;
    }
    return out;
}

// --- a strict reader of the combined format ---------------------------------------------------

struct Entry
{
    std::string_view host, ident, user, method, path, proto, referer, agent;
    std::int64_t time = 0; // seconds since 1970-01-01 of the local (+0900) calendar
    int status = 0;
    long long bytes = -1; // -1 for "-"
};

class Reader
{
  public:
    explicit Reader(std::string_view s) : m_s(s) {}
    bool token(std::string_view& out, char end)
    {
        const std::size_t e = m_s.find(end, m_p);
        if (e == std::string_view::npos || e == m_p)
            return false;
        out = m_s.substr(m_p, e - m_p);
        m_p = e + 1;
        return true;
    }
    bool lit(std::string_view l)
    {
        if (m_s.substr(m_p, l.size()) != l)
            return false;
        m_p += l.size();
        return true;
    }
    bool num(int digits, int& out)
    {
        out = 0;
        for (int i = 0; i < digits; ++i, ++m_p) {
            if (m_p >= m_s.size() || m_s[m_p] < '0' || m_s[m_p] > '9')
                return false;
            out = out * 10 + (m_s[m_p] - '0');
        }
        return true;
    }
    bool quoted(std::string_view& out)
    {
        if (!lit("\""))
            return false;
        const std::size_t e = m_s.find('"', m_p);
        if (e == std::string_view::npos)
            return false;
        out = m_s.substr(m_p, e - m_p);
        m_p = e + 1;
        return !out.empty();
    }
    bool atEnd() const { return m_p == m_s.size(); }

  private:
    std::string_view m_s;
    std::size_t m_p = 0;
};

bool parse(std::string_view line, Entry& e)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    Reader r(line);
    int d, y, hh, mm, ss, mon = -1;
    std::string_view monText, request, bytes;
    if (!r.token(e.host, ' ') || !r.token(e.ident, ' ') || !r.token(e.user, ' ') || !r.lit("[") ||
        !r.num(2, d) || !r.lit("/") || !r.token(monText, '/') || !r.num(4, y) || !r.lit(":") ||
        !r.num(2, hh) || !r.lit(":") || !r.num(2, mm) || !r.lit(":") || !r.num(2, ss) ||
        !r.lit(" +0900] ") || !r.quoted(request) || !r.lit(" ") || !r.num(3, e.status) ||
        !r.lit(" ") || !r.token(bytes, ' ') || !r.quoted(e.referer) || !r.lit(" ") ||
        !r.quoted(e.agent) || !r.atEnd())
        return false;
    for (int i = 0; i < 12; ++i)
        if (monText == months[i])
            mon = i + 1;
    if (mon < 0 || d < 1 || d > 31 || hh > 23 || mm > 59 || ss > 59)
        return false;
    e.time = genlog::daysFromCivil(y, mon, d) * 86400 + hh * 3600 + mm * 60 + ss;
    const std::size_t sp1 = request.find(' '), sp2 = request.rfind(' ');
    if (sp1 == std::string_view::npos || sp2 == sp1)
        return false;
    e.method = request.substr(0, sp1);
    e.path = request.substr(sp1 + 1, sp2 - sp1 - 1);
    e.proto = request.substr(sp2 + 1);
    if (e.path.empty() || e.path[0] != '/' || e.path.find(' ') != std::string_view::npos)
        return false;
    if (bytes == "-") {
        e.bytes = -1;
    } else {
        e.bytes = 0;
        for (char c : bytes) {
            if (c < '0' || c > '9')
                return false;
            e.bytes = e.bytes * 10 + (c - '0');
        }
    }
    return true;
}

bool isBot(std::string_view agent)
{
    for (const char* b :
         {"bot", "Baiduspider", "curl/", "python-requests", "Wget", "zgrab", "Go-http"})
        if (agent.find(b) != std::string_view::npos)
            return true;
    return false;
}

const char* const kSitePrefixes[] = {"https://www.hanamizuki-zakka.jp/",
                                     "http://www.hanamizuki-zakka.jp/",
                                     "http://hanamizuki-zakka.jp/", "https://hanamizuki-zakka.jp/"};

// The path of an internal referer (one that names the shop), or empty.
std::string_view internalPath(std::string_view ref)
{
    for (const char* p : kSitePrefixes)
        if (ref.substr(0, std::strlen(p)) == p)
            return ref.substr(std::strlen(p) - 1);
    return {};
}

// One generated log, read once for all the tests that look at its contents: the bundled
// sample's settings, and a crowded single day where many visits overlap.
struct Corpus
{
    Options opt;
    std::string text;
    std::vector<Entry> entries;
    std::vector<std::string> bad;
};

const Corpus& corpus(int which)
{
    static Corpus c[2];
    Corpus& k = c[which];
    if (k.text.empty()) {
        k.opt = which == 0 ? opts(1, 30000, 40) : opts(7, 40000, 1);
        k.text = generateText(k.opt);
        for (std::string_view l : splitLines(k.text)) {
            Entry e;
            if (parse(l, e))
                k.entries.push_back(e);
            else if (k.bad.size() < 5)
                k.bad.emplace_back(l);
        }
    }
    return k;
}

// --- output as a whole ------------------------------------------------------------------------

TEST(GenlogOutput, SameOptionsSameBytesOtherOptionsDiffer)
{
    const std::string base = generateText(opts(1, 5000, 3));
    EXPECT_EQ(generateText(opts(1, 5000, 3)), base);
    struct Case
    {
        const char* what;
        Options opt;
    };
    Options otherStart = opts(1, 5000, 3);
    otherStart.startMonth = 11;
    const Case cases[] = {
        {"seed", opts(2, 5000, 3)}, {"days", opts(1, 5000, 4)}, {"start", otherStart}};
    for (const auto& c : cases)
        EXPECT_NE(generateText(c.opt), base) << c.what;
}

TEST(GenlogOutput, WritesExactlyTheRequestedLines)
{
    const std::pair<std::uint64_t, int> cases[] = {{0, 1},   {1, 1},     {2, 40},      {37, 1},
                                                   {999, 5}, {25000, 1}, {25000, 300}, {60000, 2}};
    for (const auto& [lines, days] : cases) {
        const std::string text = generateText(opts(3, lines, days));
        EXPECT_EQ(std::size_t(std::count(text.begin(), text.end(), '\n')), lines)
            << lines << " lines over " << days << " days";
        EXPECT_TRUE(lines ? text.back() == '\n' : text.empty()) << lines;
    }
}

std::string inflateAll(const std::string& gz)
{
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, 15 + 16), Z_OK);
    std::string out;
    char buf[1 << 16];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
    z.avail_in = uInt(gz.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buf);
        z.avail_out = sizeof buf;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buf, sizeof buf - z.avail_out);
    }
    EXPECT_EQ(rc, Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the gzip stream";
    inflateEnd(&z);
    return out;
}

TEST(GenlogOutput, GzipDecompressesToThePlainOutput)
{
    const Options o = opts(5, 20000, 2);
    const std::string plain = generateText(o);
    for (int level : {1, 6, 9}) {
        genlog::StringSink raw;
        genlog::GzipSink gz(raw, level);
        ASSERT_TRUE(genlog::generate(o, gz));
        ASSERT_TRUE(gz.finish());
        ASSERT_GT(raw.text.size(), 10u);
        EXPECT_EQ(raw.text.substr(0, 2), "\x1f\x8b");
        EXPECT_LT(raw.text.size(), plain.size() / 4) << "level " << level;
        EXPECT_TRUE(inflateAll(raw.text) == plain) << "level " << level;
    }
}

// --- each line --------------------------------------------------------------------------------

TEST(GenlogLines, EveryLineIsCombinedFormatWithinTheDaysInOrder)
{
    for (int which : {0, 1}) {
        const Corpus& c = corpus(which);
        ASSERT_EQ(c.entries.size(), c.opt.lines)
            << "unparsed, e.g.: " << (c.bad.empty() ? "" : c.bad[0]);
        ASSERT_TRUE(std::all_of(c.text.begin(), c.text.end(), [](char ch) {
            return ch == '\n' || (ch >= ' ' && ch <= '~');
        })) << "only printable ASCII";
        const std::int64_t start =
            genlog::daysFromCivil(c.opt.startYear, c.opt.startMonth, c.opt.startDay) * 86400;
        const std::int64_t end = start + std::int64_t(c.opt.days) * 86400;
        std::int64_t latest = start;
        for (const Entry& e : c.entries) {
            SCOPED_TRACE(std::string(e.host) + " " + std::string(e.path));
            ASSERT_GE(e.time, start);
            ASSERT_LT(e.time, end);
            ASSERT_GE(e.time, latest - 1) << "time went back";
            latest = std::max(latest, e.time);
            ASSERT_EQ(e.ident, "-");
            ASSERT_EQ(e.host.find_first_not_of(
                          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-"),
                      std::string_view::npos);
            ASSERT_TRUE(e.method == "GET" || e.method == "HEAD" || e.method == "POST");
            ASSERT_TRUE(e.proto == "HTTP/1.1" || e.proto == "HTTP/1.0" || e.proto == "HTTP/2.0");
            const bool noBody = e.status == 304 || e.method == "HEAD";
            ASSERT_EQ(e.bytes == -1, noBody) << e.status << " " << e.method;
            if (e.method == "POST") {
                ASSERT_TRUE(e.path == "/cart.cgi" || e.path == "/xmlrpc.php");
                ASSERT_EQ(e.status, e.path == "/cart.cgi" ? 302 : 404);
            }
        }
        EXPECT_GE(latest, end - 86400 / 2) << "the log should fill its days";
        const double avg = double(c.text.size()) / double(c.entries.size());
        EXPECT_GT(avg, 200.0);
        EXPECT_LT(avg, 320.0);
    }
}

TEST(GenlogLines, TrafficIsSpreadOverTheDays)
{
    const Corpus& c = corpus(0);
    std::map<std::int64_t, int> perDay;
    for (const Entry& e : c.entries)
        ++perDay[e.time / 86400];
    ASSERT_EQ(perDay.size(), std::size_t(c.opt.days));
    const double mean = double(c.opt.lines) / c.opt.days;
    for (const auto& [day, n] : perDay) {
        EXPECT_GT(n, mean / 4) << "day " << day;
        EXPECT_LT(n, mean * 3) << "day " << day;
    }
}

TEST(GenlogLines, MixOfStatusesMethodsAndHosts)
{
    const Corpus& c = corpus(0);
    std::map<int, int> status;
    std::map<std::string_view, int> method;
    int ipv4 = 0, named = 0;
    for (const Entry& e : c.entries) {
        ++status[e.status];
        ++method[e.method];
        const bool ip = e.host.find_first_not_of("0123456789.") == std::string_view::npos;
        (ip ? ipv4 : named)++;
    }
    for (int s : {200, 302, 304, 404})
        EXPECT_GT(status[s], 20) << s;
    EXPECT_GT(status[200], int(c.entries.size()) / 2);
    for (const char* m : {"GET", "HEAD", "POST"})
        EXPECT_GT(method[m], 5) << m;
    EXPECT_GT(ipv4, int(c.entries.size()) / 5);
    EXPECT_GT(named, int(c.entries.size()) / 5);
}

TEST(GenlogLines, UserAgentsOfEveryKindAppear)
{
    const std::string text = generateText(opts(11, 150000, 40));
    const char* const tokens[] = {
        "Chrome/",       "Edg/",         "Firefox/",        "Version/18.5 Safari/",
        "iPhone OS",     "iPad; CPU OS", "Android",         "SamsungBrowser/",
        "OPR/",          "YaBrowser/",   "Trident/7.0",     "MSIE 10.0",
        "MSIE 9.0",      "MSIE 8.0",     "MSIE 7.0",        "MSIE 6.0",
        "Googlebot/2.1", "bingbot/2.0",  "Baiduspider/2.0", "YandexBot/3.0",
        "Applebot/",     "AhrefsBot/",   "\"curl/",         "\"python-requests/",
        "Orvane Vexilo"};
    for (const char* t : tokens)
        EXPECT_NE(text.find(t), std::string::npos) << t;
}

TEST(GenlogLines, CrawlersSendNoRefererAndClientsKeepOneHost)
{
    const Corpus& c = corpus(0);
    std::map<std::string_view, std::set<std::string_view>> hostsOfBot;
    int crawled = 0;
    for (const Entry& e : c.entries) {
        if (e.agent.find("Googlebot") != std::string_view::npos ||
            e.agent.find("AhrefsBot") != std::string_view::npos) {
            ++crawled;
            EXPECT_EQ(e.referer, "-");
            hostsOfBot[e.agent].insert(e.host);
        }
        EXPECT_TRUE(e.host.find("googlebot.com") == std::string_view::npos ||
                    e.agent.find("Googlebot") != std::string_view::npos)
            << e.host;
    }
    EXPECT_GT(crawled, 300);
    for (const auto& [agent, hosts] : hostsOfBot)
        EXPECT_LE(hosts.size(), 6u) << agent << ": crawlers come back from the same few hosts";
}

// --- visits -----------------------------------------------------------------------------------

TEST(GenlogVisits, InternalReferersNameAPageTheClientFetchedBefore)
{
    for (int which : {0, 1}) {
        const Corpus& c = corpus(which);
        std::map<std::string, std::set<std::string_view>> fetched; // client -> paths
        int internal = 0;
        std::set<std::string_view> prefixesSeen;
        for (const Entry& e : c.entries) {
            const std::string client = std::string(e.host) + '\t' + std::string(e.agent);
            const std::string_view ref = internalPath(e.referer);
            if (!ref.empty()) {
                ++internal;
                prefixesSeen.insert(e.referer.substr(0, e.referer.size() - ref.size()));
                EXPECT_TRUE(fetched[client].count(ref))
                    << e.host << " " << e.path << " from " << e.referer;
            }
            fetched[client].insert(e.path);
        }
        EXPECT_GT(internal, int(c.entries.size()) / 3);
        EXPECT_EQ(prefixesSeen.size(), 4u) << "www. and bare host, http and https";
    }
}

TEST(GenlogVisits, PagesPullInTheirPicturesAndStylesASecondLater)
{
    const Corpus& c = corpus(0);
    std::map<std::string, std::int64_t> pageAt; // client + page -> time
    int assets = 0, notModified = 0;
    for (const Entry& e : c.entries) {
        const std::string client = std::string(e.host) + '\t' + std::string(e.agent) + '\t';
        const bool asset = e.path.rfind("/img/", 0) == 0 || e.path.rfind("/css/", 0) == 0 ||
                           e.path.rfind("/js/", 0) == 0;
        const std::string_view ref = internalPath(e.referer);
        if (asset && !ref.empty()) {
            ++assets;
            notModified += e.status == 304;
            const auto it = pageAt.find(client + std::string(ref));
            ASSERT_NE(it, pageAt.end()) << e.path;
            EXPECT_GE(e.time - it->second, 1) << e.path;
            EXPECT_LE(e.time - it->second, 2) << e.path;
        } else if (!asset) {
            pageAt[client + std::string(e.path)] = e.time;
        }
    }
    EXPECT_GT(assets, int(c.entries.size()) / 3);
    EXPECT_GT(notModified, assets / 50);
}

TEST(GenlogVisits, VisitorsPauseLongAndComeBackOnLaterDays)
{
    const Corpus& c = corpus(0);
    std::map<std::string, std::vector<std::int64_t>> times;
    for (const Entry& e : c.entries)
        if (!isBot(e.agent))
            times[std::string(e.host) + '\t' + std::string(e.agent)].push_back(e.time);
    int paused = 0, returned = 0;
    for (const auto& [client, ts] : times) {
        bool longGap = false;
        for (std::size_t i = 1; i < ts.size(); ++i)
            longGap |= ts[i] - ts[i - 1] > 15 * 60 && ts[i] - ts[i - 1] < 2 * 3600;
        paused += longGap;
        returned += ts.back() / 86400 > ts.front() / 86400 + 1;
    }
    EXPECT_GT(paused, 10);
    EXPECT_GT(returned, 50);
}

// --- search words ------------------------------------------------------------------------------

std::string percentDecode(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size() && std::isxdigit((unsigned char)s[i + 1]) &&
                   std::isxdigit((unsigned char)s[i + 2])) {
            out += char(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool toUtf8(const char* from, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == iconv_t(-1))
        return false;
    out.assign(in.size() * 3 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size(), dstLeft = out.size();
    char* dst = out.data();
    const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != std::size_t(-1) && srcLeft == 0;
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return ok;
}

std::map<std::string, std::string> queryParams(std::string_view url)
{
    std::map<std::string, std::string> out;
    const std::size_t q = url.find('?');
    if (q == std::string_view::npos)
        return out;
    std::string_view rest = url.substr(q + 1);
    while (!rest.empty()) {
        const std::size_t amp = rest.find('&');
        const std::string_view kv = rest.substr(0, amp);
        const std::size_t eq = kv.find('=');
        if (eq != std::string_view::npos)
            out[std::string(kv.substr(0, eq))] = std::string(kv.substr(eq + 1));
        rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
    }
    return out;
}

TEST(GenlogSearch, EscapedWordsDecodeToTheIntendedJapanese)
{
    struct Engine
    {
        const char* host;
        const char* param;
        const char* defaultCharset; // when the URL does not say
    };
    const Engine engines[] = {{"www.google.co", "q", "UTF-8"},
                              {"search.yahoo.co.jp", "p", "UTF-8"},
                              {"www.bing.com", "q", "UTF-8"},
                              {"www.baidu.", "wd", "UTF-8"},
                              {"duckduckgo.com", "q", "UTF-8"},
                              {"search.goo.ne.jp", "MT", "UTF-8"},
                              {"cgi.search.biglobe.ne.jp/cgi-bin/search2-b", "q", "EUC-JP"},
                              {"cgi.search.biglobe.ne.jp", "q", "UTF-8"},
                              {"www.excite.co.jp/search.gw", "search", "CP932"},
                              {"websearch.excite.co.jp", "q", "UTF-8"},
                              {"websearch.rakuten.co.jp", "qt", "UTF-8"},
                              {"search.nifty.com", "q", "UTF-8"}};
    const auto& words = genlog::searchWords();
    ASSERT_GT(words.size(), 20u);
    const std::set<std::string> known(words.begin(), words.end());

    std::map<std::string, int> decodedPerCharset;
    std::set<std::string> distinct;
    auto check = [&](std::string_view url, const Engine& engine) {
        const auto params = queryParams(url);
        const auto word = params.find(engine.param);
        if (word == params.end() || word->second.empty())
            return; // engines that hide the words
        std::string charset = engine.defaultCharset;
        for (const char* name : {"ie", "ei", "IE"}) {
            const auto it = params.find(name);
            if (it != params.end())
                charset = it->second == "EUC-JP"      ? "EUC-JP"
                          : it->second == "Shift_JIS" ? "CP932"
                                                      : "UTF-8";
        }
        std::string text;
        ASSERT_TRUE(toUtf8(charset.c_str(), percentDecode(word->second), text))
            << charset << ": " << url;
        for (std::size_t p; (p = text.find("\xE3\x80\x80")) != std::string::npos;)
            text.replace(p, 3, " ");
        EXPECT_TRUE(known.count(text)) << charset << " '" << text << "' from " << url;
        ++decodedPerCharset[charset];
        distinct.insert(text);
    };
    const Engine siteSearch = {"", "q", "UTF-8"};
    for (const Entry& e : corpus(0).entries) {
        if (e.path.rfind("/search.cgi?", 0) == 0)
            check(e.path, siteSearch);
        for (const Engine& en : engines) {
            if (e.referer.find(en.host) != std::string_view::npos) {
                check(e.referer, en);
                break;
            }
        }
    }
    EXPECT_GT(decodedPerCharset["UTF-8"], 200);
    EXPECT_GT(decodedPerCharset["CP932"], 5);
    EXPECT_GT(decodedPerCharset["EUC-JP"], 5);
    EXPECT_GT(distinct.size(), 15u);
}

// --- options ----------------------------------------------------------------------------------

TEST(GenlogOptions, ParsesAndRejects)
{
    struct Case
    {
        std::vector<const char*> args;
        bool ok = false;
        std::uint64_t seed = 0, lines = 0;
        int days = 0, year = 0, month = 0, day = 0, level = 0;
        bool gzip = false;
        const char* output = "";
    };
    const Case cases[] = {
        {{}, true, 1, 10000, 7, 2026, 10, 1, 6, false, ""},
        {{"--seed", "42", "--lines", "5", "--days=3", "--start", "2024-02-29", "--gzip", "--level",
          "9", "-o", "x.gz"},
         true,
         42,
         5,
         3,
         2024,
         2,
         29,
         9,
         true,
         "x.gz"},
        {{"--lines=0", "--output=a.log"}, true, 1, 0, 7, 2026, 10, 1, 6, false, "a.log"},
        {{"--seed", "18446744073709551615"},
         true,
         18446744073709551615ULL,
         10000,
         7,
         2026,
         10,
         1,
         6,
         false,
         ""},
        {{"--level", "0"}, false},
        {{"--level", "10"}, false},
        {{"--days", "0"}, false},
        {{"--lines", "-5"}, false},
        {{"--lines", "12x"}, false},
        {{"--seed", "18446744073709551616"}, false},
        {{"--start", "2023-02-29"}, false},
        {{"--start", "2026-13-01"}, false},
        {{"--start", "2026-1-01"}, false},
        {{"--lines"}, false},
        {{"-o"}, false},
        {{"--bogus"}, false},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"genlog"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        Options o;
        std::string error;
        const bool ok = genlog::parseArgs(int(argv.size()), argv.data(), o, error);
        std::string joined;
        for (const char* a : c.args)
            joined += std::string(a) + " ";
        ASSERT_EQ(ok, c.ok) << joined << error;
        if (!ok) {
            EXPECT_FALSE(error.empty()) << joined;
            continue;
        }
        EXPECT_EQ(o.seed, c.seed) << joined;
        EXPECT_EQ(o.lines, c.lines) << joined;
        EXPECT_EQ(o.days, c.days) << joined;
        EXPECT_EQ(o.startYear * 10000 + o.startMonth * 100 + o.startDay,
                  c.year * 10000 + c.month * 100 + c.day)
            << joined;
        EXPECT_EQ(o.level, c.level) << joined;
        EXPECT_EQ(o.gzip, c.gzip) << joined;
        EXPECT_EQ(o.output, c.output) << joined;
    }
}

} // namespace
