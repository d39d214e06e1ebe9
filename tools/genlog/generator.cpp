// The log is written as a real server would see it: visitors arrive at a rate that follows
// the hour of the day and the weekday, each visit (a session) asks for pages with think
// times between them and for the pictures, stylesheets and scripts of each page a second
// later; all sessions' requests are merged in time order. The arrival rate is steered so
// that exactly the requested number of lines fills the requested days.

#include "tools/genlog/genlog.h"
#include "tools/genlog/rng.h"
#include "tools/genlog/site.h"

#include <algorithm>
#include <bitset>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

namespace genlog {

std::int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = unsigned((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

const std::vector<std::string>& searchWords()
{
    static const std::vector<std::string> list = [] {
        std::vector<std::string> out;
        if (const auto* w = site::words())
            for (const auto& word : *w)
                out.push_back(word.utf8);
        return out;
    }();
    return list;
}

namespace {

using namespace site;

constexpr int kMaxPages = 48;
constexpr int kMaxQueue = 40;
constexpr std::size_t kMaxAssets = 1024;
constexpr std::int64_t kNever = INT64_MAX;
constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::size_t kSlack = 16 << 10; // more than the longest line

constexpr char kOwnerHost[] = "p3401126-ipngn4101sapodori.hokkaido.ocn.ne.jp";
constexpr char kMonitorHost[] = "ik1-345-67890.vs.sakura.ne.jp";
constexpr char kScriptHost[] = "ec2-13-231-45-67.ap-northeast-1.compute.amazonaws.com";

// How visitors wrote the shop's address; internal referers carry it.
const char* const kSitePrefix[4] = {"https://www.hanamizuki-zakka.jp",
                                    "http://www.hanamizuki-zakka.jp", "http://hanamizuki-zakka.jp",
                                    "https://hanamizuki-zakka.jp"};
const std::vector<std::uint32_t> kSitePrefixCum = {55, 80, 92, 100};

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// Relative traffic per hour of day (Japan time).
const double kHourWeight[24] = {30, 18, 10, 6,  5,  6,  12, 25, 40, 55,  65, 70,
                                80, 72, 65, 62, 62, 65, 72, 85, 95, 100, 90, 60};

const char* const kScannerPaths[] = {"/wp-login.php",
                                     "/.env",
                                     "/xmlrpc.php",
                                     "/wp-admin/setup-config.php",
                                     "/phpmyadmin/index.php",
                                     "/.git/config",
                                     "/admin/config.php",
                                     "/vendor/phpunit/phpunit/src/Util/PHP/eval-stdin.php",
                                     "/cgi-bin/luci/;stok=/locale",
                                     "/boaform/admin/formLogin"};

enum Method : std::uint8_t { kGet, kHead, kPost };
const char* const kMethodText[] = {"GET ", "HEAD ", "POST "};
enum Ref : std::uint8_t { kRefNone, kRefCur, kRefPrev, kRefExt };
enum Src : std::uint8_t { kSrcStatic, kSrcCur, kSrcAux };
enum Proto : std::uint8_t { kHttp11, kHttp10, kHttp20 };
const char* const kProtoText[] = {" HTTP/1.1\" ", " HTTP/1.0\" ", " HTTP/2.0\" "};

enum class Who : std::uint8_t {
    Human,
    Crawler,
    Tool,
    Scanner,
    Owner,
    Embedded,
    Modern,  // --machines: AI crawlers and assistants, headless browsers, new tools
    Stealth, // --machines: a crawler that claims a browser
    Pinger,  // --machines: a monitor that claims a browser, on a timer
};
constexpr int kWhoCount = 9;
const std::vector<std::uint32_t> kWhoCum = {760, 960, 972, 987, 991, 997};
// Sessions of today's log: machines make about a third of the requests.
const std::vector<std::uint32_t> kMachinesWhoCum = {480, 630, 645, 660, 664, 670, 930, 975, 1000};
const double kStepPrior[kWhoCount] = {5.0, 1.0, 1.0, 1.0, 2.5, 4.0, 1.0, 1.0, 1.0};

// The names the labels give machines, looked for in their agents in this order.
const char* const kMachineNames[] = {"GPTBot",
                                     "ClaudeBot",
                                     "PerplexityBot",
                                     "Bytespider",
                                     "CCBot",
                                     "Amazonbot",
                                     "meta-externalagent",
                                     "OAI-SearchBot",
                                     "ChatGPT-User",
                                     "Perplexity-User",
                                     "HeadlessChrome",
                                     "Google-InspectionTool",
                                     "DataForSeoBot",
                                     "DuckDuckBot",
                                     "SemrushBot",
                                     "Feedly",
                                     "Googlebot",
                                     "bingbot",
                                     "Baiduspider",
                                     "YandexBot",
                                     "Applebot",
                                     "AhrefsBot",
                                     "zgrab",
                                     "Go-http-client",
                                     "curl",
                                     "python-requests",
                                     "Wget"};

enum class Nav : std::uint8_t {
    Home,
    Category,
    Item,
    Blog,
    Info,
    Search,
    Cart,
    Confirm,
    Thanks,
    Missing,
    Admin
};

struct Line
{
    std::int64_t t;
    const char* path; // kSrcStatic
    std::uint16_t len;
    std::uint16_t status;
    std::int32_t bytes; // < 0: "-"
    std::uint8_t method, ref, src, user;
};

struct Visitor
{
    char host[88];
    std::uint8_t hostLen = 0;
    std::uint16_t agent = 0;
    std::uint8_t siteVar = 0;
    bool mobile = false, ios = false, oldIE = false;
};

struct Session
{
    Visitor v;
    Who who = Who::Human;
    std::uint8_t crawler = 0;
    std::uint16_t label = 0; // into the generator's label texts
    int interval = 0;        // Pinger: seconds between requests
    std::uint8_t siteVar = 0;
    std::uint8_t proto = kHttp11;
    bool returning = false, commonSent = false;
    std::bitset<kMaxAssets> fetched; // assets this visit already has in the browser's cache
    Nav nav = Nav::Home;
    int page = -1;
    int cat = 0;
    int nPages = 0, pageIdx = 0;
    double perStep = 0;
    std::int64_t times[kMaxPages];
    Line q[kMaxQueue];
    int qHead = 0, qLen = 0;
    RefKind refKind = RefKind::None;
    int word = -1;
    bool ideo = false;
    int extLen = 0, curLen = 0, prevLen = 0, auxLen = 0;
    char ext[760];
    char cur[400], prev[400], aux[400];
};

struct Event
{
    std::int64_t t;
    std::uint64_t seq;
    int idx;
    bool operator>(const Event& o) const { return t != o.t ? t > o.t : seq > o.seq; }
};

char* putUint(char* p, std::uint64_t v)
{
    char tmp[24];
    char* e = tmp + sizeof tmp;
    char* b = e;
    do {
        *--b = char('0' + v % 10);
        v /= 10;
    } while (v);
    std::memcpy(p, b, std::size_t(e - b));
    return p + (e - b);
}

class Generator
{
  public:
    Generator(const Options& opt, Sink& out, const std::vector<Word>& words, bool labels)
        : m_opt(opt), m_out(out), m_rng(opt.seed), m_site(shop()), m_words(words), m_label(labels)
    {
        m_start = daysFromCivil(opt.startYear, opt.startMonth, opt.startDay) * 86400;
        m_end = m_start + std::int64_t(opt.days) * 86400;
        m_last = m_end - 1;
        m_now = m_start;
        m_buf.reset(new char[kBufferSize + kSlack]);
        m_pos = m_buf.get();
        for (const auto& a : userAgents())
            m_agentLen.push_back(std::uint16_t(std::strlen(a.text)));
        for (int w = 0; w < kWhoCount; ++w) {
            m_stepSum[w] = kStepPrior[w] * 20;
            m_stepCount[w] = 20;
        }
        buildProfile();
        buildRegulars();
        m_labelTexts = {"person\t-", "mixed\t-"};
    }

    bool run();
    // host TAB label lines, in byte order of the hosts.
    std::string labels() const;

  private:
    // --- time -----------------------------------------------------------------------
    void buildProfile()
    {
        const int hours = m_opt.days * 24;
        m_hourW.resize(std::size_t(hours));
        m_cum.assign(std::size_t(hours) + 1, 0.0);
        const std::int64_t day0 = m_start / 86400;
        for (int d = 0; d < m_opt.days; ++d) {
            const int dow = int((day0 + d + 4) % 7); // 0 = Sunday
            double f = (dow == 0 || dow == 6) ? 1.15 : dow == 1 ? 1.05 : 1.0;
            f *= 0.85 + 0.3 * m_rng.unit();
            for (int h = 0; h < 24; ++h)
                m_hourW[std::size_t(d * 24 + h)] = kHourWeight[h] * f;
        }
        for (int h = 0; h < hours; ++h)
            m_cum[std::size_t(h) + 1] = m_cum[std::size_t(h)] + m_hourW[std::size_t(h)];
    }
    double warp(std::int64_t t) const
    {
        const std::int64_t off = t - m_start;
        const std::size_t h = std::size_t(off / 3600);
        if (h >= m_hourW.size())
            return m_cum.back();
        return m_cum[h] + m_hourW[h] * double(off % 3600) / 3600.0;
    }
    std::int64_t unwarp(double u) const
    {
        std::size_t h =
            std::size_t(std::upper_bound(m_cum.begin(), m_cum.end(), u) - m_cum.begin());
        h = h == 0 ? 0 : h - 1;
        if (h >= m_hourW.size())
            return m_last;
        const double frac = (u - m_cum[h]) / m_hourW[h];
        std::int64_t t = m_start + std::int64_t(h) * 3600 + std::int64_t(frac * 3600.0);
        return std::clamp(t, m_now, m_last);
    }
    void drawArrival(bool forced)
    {
        m_nextArrival = kNever;
        const double left = double(m_opt.lines - m_lines) - m_pending;
        if (!forced && left <= 0)
            return;
        const double perSession = m_sessSum / m_sessCount;
        const double sessions = std::max(left, 1.0) / perSession;
        // Continue from the exact point of the last arrival, not from its whole second: with
        // several arrivals a second, restarting at the second would inflate the rate.
        const double u0 = std::max(m_arrivalU, warp(m_now)), span = m_cum.back() - u0;
        double u;
        if (forced && sessions < 1.0)
            u = u0 + span * m_rng.unit();
        else
            u = u0 + m_rng.expo(1.0) * span / sessions;
        if (u >= m_cum.back()) {
            if (!forced)
                return;
            u = u0 + span * m_rng.unit();
        }
        m_nextArrival = unwarp(u);
        m_nextU = u;
    }

    // --- sessions -------------------------------------------------------------------
    int alloc()
    {
        if (m_free.empty()) {
            m_sessions.push_back(std::make_unique<Session>());
            return int(m_sessions.size() - 1);
        }
        const int idx = m_free.back();
        m_free.pop_back();
        return idx;
    }
    void push(int idx, std::int64_t t)
    {
        m_heap.push_back({t, m_seq++, idx});
        std::push_heap(m_heap.begin(), m_heap.end(), std::greater<>());
    }
    std::int64_t nextTime(const Session& s) const
    {
        if (s.qHead < s.qLen)
            return s.q[s.qHead].t;
        if (s.pageIdx < s.nPages && s.times[s.pageIdx] <= m_last)
            return s.times[s.pageIdx];
        return kNever;
    }
    void finish(int idx)
    {
        Session& s = *m_sessions[idx];
        if (s.who == Who::Human) {
            if (m_pool.size() < 20000)
                m_pool.push_back(s.v);
            else
                m_pool[m_poolNext++ % m_pool.size()] = s.v;
        }
        m_free.push_back(idx);
        if (m_nextArrival == kNever)
            drawArrival(false);
    }

    void buildRegulars();
    void arrive(std::int64_t t);
    double buzzShare(std::int64_t t) const;
    void newHuman(Session& s);
    void planPages(Session& s, std::int64_t t);
    double thinkTime(Who who);
    void step(Session& s, std::int64_t t);
    void humanStep(Session& s, std::int64_t t);
    void landing(Session& s, std::int64_t t);
    void crawlerStep(Session& s, std::int64_t t);
    void toolStep(Session& s, std::int64_t t);
    void scannerStep(Session& s, std::int64_t t);
    void ownerStep(Session& s, std::int64_t t);
    void stealthStep(Session& s, std::int64_t t);
    void pingerStep(Session& s, std::int64_t t);
    const Crawler& crawlerOf(const Session& s) const
    {
        return s.who == Who::Modern ? modernCrawlers()[s.crawler] : crawlers()[s.crawler];
    }
    std::uint16_t labelOf(const char* text)
    {
        for (std::size_t i = 0; i < m_labelTexts.size(); ++i)
            if (m_labelTexts[i] == text)
                return std::uint16_t(i);
        m_labelTexts.emplace_back(text);
        return std::uint16_t(m_labelTexts.size() - 1);
    }
    std::uint16_t machineLabel(const char* kind, const char* agent)
    {
        std::string text(kind);
        text.push_back('\t');
        const char* name = "machine";
        for (const char* n : kMachineNames)
            if (std::strstr(agent, n)) {
                name = n;
                break;
            }
        text += name;
        return labelOf(text.c_str());
    }

    // --- building the requests of one step ----------------------------------------------
    void queue(Session& s, std::int64_t t, Method m, Src src, const char* path, std::size_t len,
               int status, std::int32_t bytes, Ref ref, bool user = false)
    {
        if (s.qLen == kMaxQueue || t > m_last) // the log ends before this request
            return;
        Line& l = s.q[s.qLen++];
        l.t = t;
        l.path = path;
        l.len = std::uint16_t(len);
        l.status = std::uint16_t(status);
        l.bytes = bytes;
        l.method = m;
        l.ref = ref;
        l.src = src;
        l.user = user;
    }
    void queueAsset(Session& s, std::int64_t t, std::uint16_t a, bool notModified,
                    Ref ref = kRefCur)
    {
        const Asset& as = m_site.assets[a];
        if (a == m_site.touchIcon)
            queue(s, t, kGet, kSrcStatic, as.path.data(), as.path.size(), 404, 196, kRefNone);
        else
            queue(s, t, kGet, kSrcStatic, as.path.data(), as.path.size(), notModified ? 304 : 200,
                  notModified ? -1 : as.bytes, ref);
    }
    void setCur(Session& s, const char* url, std::size_t len)
    {
        std::memmove(s.prev, s.cur, std::size_t(s.curLen));
        s.prevLen = s.curLen;
        len = std::min(len, sizeof s.cur);
        std::memmove(s.cur, url, len);
        s.curLen = int(len);
    }
    void setAux(Session& s, const char* url, std::size_t len)
    {
        len = std::min(len, sizeof s.aux);
        std::memcpy(s.aux, url, len);
        s.auxLen = int(len);
    }
    const std::string& spelling(const Page& p, double other)
    {
        if (p.urls.size() > 1 && m_rng.chance(other))
            return p.urls[1 + m_rng.below(std::uint32_t(p.urls.size() - 1))];
        return p.urls[0];
    }
    void assets(Session& s, std::int64_t t, const std::vector<std::uint16_t>& images);
    void viewPage(Session& s, std::int64_t t, int page, Ref ref, const char* query = nullptr);
    void viewCgi(Session& s, std::int64_t t, const char* url, std::size_t len, std::int32_t bytes,
                 Ref ref, const std::vector<std::uint16_t>& images);
    void search(Session& s, std::int64_t t);
    int pickItem(int cat = -1)
    {
        if (cat < 0)
            return m_site.allItems[std::size_t(pickCum(m_rng, m_site.itemCum))];
        const auto& items = m_site.items[std::size_t(cat)];
        return items[m_rng.below(std::uint32_t(items.size()))];
    }
    int pickCategory()
    {
        return m_site.categories[m_rng.below(std::uint32_t(m_site.categories.size()))];
    }
    template <class V> int pickFrom(const V& v) { return v[m_rng.below(std::uint32_t(v.size()))]; }

    // --- output ---------------------------------------------------------------------
    char* stamp(char* p, std::int64_t t);
    void emit(Session& s);
    bool flush()
    {
        const std::size_t n = std::size_t(m_pos - m_buf.get());
        m_pos = m_buf.get();
        if (n && !m_out.write(m_buf.get(), n))
            m_failed = true;
        return !m_failed;
    }

    const Options& m_opt;
    Sink& m_out;
    Rng m_rng;
    const Site& m_site;
    const std::vector<Word>& m_words;
    const bool m_label; // who each host was is kept

    std::int64_t m_start = 0, m_end = 0, m_last = 0, m_now = 0;
    std::vector<double> m_hourW, m_cum;
    std::int64_t m_nextArrival = kNever;
    double m_nextU = 0, m_arrivalU = 0; // warped times of the next and the last arrival

    std::vector<std::unique_ptr<Session>> m_sessions;
    std::vector<int> m_free;
    std::vector<Event> m_heap;
    std::uint64_t m_seq = 0;

    std::uint64_t m_lines = 0;
    double m_pending = 0;
    double m_stepSum[kWhoCount], m_stepCount[kWhoCount];
    double m_sessSum = 20.0 * 20, m_sessCount = 20;

    std::vector<Visitor> m_pool; // past human visitors, who may come back
    std::size_t m_poolNext = 0;
    std::vector<std::vector<Visitor>> m_crawlerHosts, m_modernHosts;
    Visitor m_owner, m_monitor, m_script;
    Visitor m_pingers[3];
    std::vector<std::string> m_labelTexts;
    std::unordered_map<std::string, std::uint16_t> m_hostLabels; // --labels only

    std::vector<std::uint16_t> m_agentLen;
    std::unique_ptr<char[]> m_buf;
    char* m_pos = nullptr;
    bool m_failed = false;
    std::int64_t m_stampSec = -1, m_stampDay = -1;
    char m_stamp[26];
};

void setHost(Visitor& v, const char* host)
{
    const std::size_t n = std::min(std::strlen(host), sizeof v.host);
    std::memcpy(v.host, host, n);
    v.hostLen = std::uint8_t(n);
}

void Generator::buildRegulars()
{
    // A crawler's own hosts: addresses of its networks, some with its reverse names.
    const auto hostsOf = [this](const Crawler& c, std::size_t count) {
        std::vector<Visitor> hosts(count);
        for (auto& v : hosts) {
            const std::uint32_t n = c.nets[m_rng.below(std::uint32_t(c.nets.size()))];
            const unsigned a = n >> 16, b = (n >> 8) & 255, cc = n & 255, d = 1 + m_rng.below(254);
            char buf[96];
            if (m_rng.chance(c.resolved))
                std::snprintf(buf, sizeof buf, "%s%u-%u-%u-%u%s", c.hostPrefix, a, b, cc, d,
                              c.hostSuffix);
            else
                ipHost(a, b, cc, d, buf);
            setHost(v, buf);
            v.agent = std::uint16_t(c.agent);
        }
        return hosts;
    };
    for (const auto& c : crawlers())
        m_crawlerHosts.push_back(hostsOf(c, 6));
    if (m_opt.machines) {
        for (const auto& c : modernCrawlers())
            m_modernHosts.push_back(hostsOf(c, 4));
        const AgentGroup& desktop = agentsOf(Agent::Desktop);
        for (Visitor& p : m_pingers) {
            p.hostLen = std::uint8_t(foreignHost(m_rng, p.host));
            p.agent = std::uint16_t(desktop.index[std::size_t(pickCum(m_rng, desktop.cum))]);
        }
    }
    setHost(m_owner, kOwnerHost);
    m_owner.agent = std::uint16_t(ownerAgent());
    m_owner.siteVar = 0;
    setHost(m_monitor, kMonitorHost);
    setHost(m_script, kScriptHost);
}

void Generator::newHuman(Session& s)
{
    Visitor& v = s.v;
    static const std::vector<std::uint32_t> kindCum = {45, 49, 67,
                                                       100}; // desktop, IE, Android, iOS
    const int k = pickCum(m_rng, kindCum);
    const Agent kind = k == 0   ? Agent::Desktop
                       : k == 1 ? Agent::OldIE
                       : k == 2 ? Agent::Mobile
                                : Agent::IOS;
    const AgentGroup& g = agentsOf(kind);
    v.agent = std::uint16_t(g.index[std::size_t(pickCum(m_rng, g.cum))]);
    v.mobile = kind == Agent::Mobile || kind == Agent::IOS;
    v.ios = kind == Agent::IOS;
    v.oldIE = kind == Agent::OldIE;
    v.hostLen = std::uint8_t(humanHost(m_rng, v.mobile, v.host));
    v.siteVar = std::uint8_t(pickCum(m_rng, kSitePrefixCum));
    if (v.oldIE)
        v.siteVar = m_rng.chance(0.7) ? 1 : 2;
}

double Generator::thinkTime(Who who)
{
    switch (who) {
    case Who::Human: {
        const double r = m_rng.unit();
        if (r < 0.68)
            return 6 + m_rng.expo(30);
        if (r < 0.90)
            return 45 + m_rng.expo(90);
        if (r < 0.96)
            return 180 + m_rng.expo(240);
        return 930 + m_rng.below(4200); // away for a while (longer than 15 minutes), then back
    }
    case Who::Crawler:
    case Who::Modern:
        return 2 + m_rng.expo(20);
    case Who::Stealth:
        return 1 + m_rng.expo(4);
    case Who::Pinger:
        return 60;
    case Who::Tool:
        return 1 + m_rng.below(5);
    case Who::Scanner:
        return m_rng.below(2);
    case Who::Owner:
    case Who::Embedded:
        return 8 + m_rng.expo(40);
    }
    return 10;
}

void Generator::planPages(Session& s, std::int64_t t)
{
    s.times[0] = t;
    int before = 1;
    for (int i = 1; i < s.nPages; ++i) {
        s.times[i] =
            s.times[i - 1] + (s.who == Who::Pinger ? s.interval + (m_rng.chance(0.1) ? 1 : 0)
                                                   : std::int64_t(thinkTime(s.who)));
        before += s.times[i] <= m_last;
    }
    const int w = int(s.who);
    s.perStep = m_stepSum[w] / m_stepCount[w];
    const double expected = before * s.perStep;
    m_pending += expected;
    m_sessSum += expected;
    m_sessCount += 1;
}

// A magazine writes about the shop three fifths into the log (logs of a week or more):
// for three days a falling share of new visitors comes from the article.
double Generator::buzzShare(std::int64_t t) const
{
    if (m_opt.days < 7)
        return 0.0;
    static constexpr double kShare[] = {0.45, 0.2, 0.08};
    const std::int64_t day = (t - m_start) / 86400 - m_opt.days * 3 / 5;
    return day >= 0 && day < 3 ? kShare[day] : 0.0;
}

void Generator::arrive(std::int64_t t)
{
    const int idx = alloc();
    Session& s = *m_sessions[idx];
    s.v = Visitor{};
    s.who = Who(pickCum(m_rng, m_opt.machines ? kMachinesWhoCum : kWhoCum));
    s.label = 0;
    s.qHead = s.qLen = 0;
    s.pageIdx = 0;
    s.curLen = s.prevLen = s.auxLen = s.extLen = 0;
    s.returning = false;
    s.commonSent = false;
    s.fetched.reset();
    s.refKind = RefKind::None;
    s.word = -1;
    s.page = -1;
    s.nav = Nav::Home;
    s.proto = kHttp11;
    switch (s.who) {
    case Who::Human: {
        if (!m_pool.empty() && m_rng.chance(0.3)) {
            s.v = m_pool[m_rng.below(std::uint32_t(m_pool.size()))];
            s.returning = true;
        } else {
            newHuman(s);
        }
        s.nPages = m_rng.chance(0.35) ? 1 : std::min(2 + int(m_rng.expo(4.5)), 40);
        // Where the visitor comes from.
        const double r = m_rng.unit();
        if (const double buzz = buzzShare(t); buzz > 0.0 && m_rng.chance(buzz)) {
            // Readers of a magazine article about the shop.
            static constexpr char kArticle[] =
                "https://zakka-mag.example.jp/articles/2026/autumn-gift-guide";
            s.refKind = RefKind::Blog;
            std::memcpy(s.ext, kArticle, sizeof kArticle - 1);
            s.extLen = sizeof kArticle - 1;
        } else if (r < (s.returning ? 0.45 : 0.2)) {
            s.refKind = RefKind::None;
        } else if (r < 0.72) {
            s.refKind = RefKind::Search;
            s.word = pickCum(m_rng, wordCum());
            s.ideo = m_rng.chance(0.2);
            s.extLen = searchReferer(m_rng, m_words[std::size_t(s.word)], s.ideo, s.ext);
        } else if (r < 0.84) {
            s.refKind = RefKind::Social;
            s.extLen = socialReferer(m_rng, s.ext);
        } else if (r < 0.94) {
            s.refKind = RefKind::Blog;
            s.extLen = blogReferer(m_rng, s.ext);
        } else {
            s.refKind = RefKind::Other;
            s.extLen = otherReferer(m_rng, s.ext);
        }
        s.siteVar = m_rng.chance(0.8) ? s.v.siteVar : std::uint8_t(pickCum(m_rng, kSitePrefixCum));
        if (s.v.oldIE && (s.siteVar == 0 || s.siteVar == 3))
            s.siteVar = 1;
        if ((s.siteVar == 0 || s.siteVar == 3) && !s.v.oldIE && m_rng.chance(0.15))
            s.proto = kHttp20;
        s.commonSent = false;
        break;
    }
    case Who::Crawler: {
        s.crawler = std::uint8_t(pickCum(m_rng, crawlerCum()));
        const auto& hosts = m_crawlerHosts[s.crawler];
        s.v = hosts[m_rng.below(std::uint32_t(hosts.size()))];
        s.nPages = std::min(1 + int(m_rng.expo(10)), kMaxPages);
        break;
    }
    case Who::Tool: {
        const AgentGroup& g = agentsOf(Agent::Tool);
        const int agent = g.index[std::size_t(pickCum(m_rng, g.cum))];
        const char* name = userAgents()[std::size_t(agent)].text;
        if (name[0] == 'c') {
            s.v = m_monitor;
        } else if (name[0] == 'p') {
            s.v = m_script;
        } else {
            s.v.hostLen = std::uint8_t(humanHost(m_rng, false, s.v.host));
        }
        s.v.agent = std::uint16_t(agent);
        s.nPages = 1 + int(m_rng.below(3));
        break;
    }
    case Who::Scanner: {
        const AgentGroup& g = agentsOf(Agent::Scanner);
        s.v.agent = std::uint16_t(g.index[std::size_t(pickCum(m_rng, g.cum))]);
        s.v.hostLen = std::uint8_t(foreignHost(m_rng, s.v.host));
        s.nPages = 2 + int(m_rng.below(7));
        if (m_rng.chance(0.3))
            s.proto = kHttp10;
        break;
    }
    case Who::Modern: {
        s.crawler = std::uint8_t(pickCum(m_rng, modernCum()));
        const auto& hosts = m_modernHosts[s.crawler];
        s.v = hosts[m_rng.below(std::uint32_t(hosts.size()))];
        // Assistants fetch the page their user asked about; crawlers go on.
        const bool assistant = modernCrawlers()[s.crawler].robots == 0;
        s.nPages =
            assistant ? 1 + int(m_rng.below(3)) : std::min(1 + int(m_rng.expo(12)), kMaxPages);
        s.label = machineLabel("named", userAgents()[s.v.agent].text);
        break;
    }
    case Who::Stealth: {
        const AgentGroup& g = agentsOf(m_rng.chance(0.7) ? Agent::Desktop : Agent::Mobile);
        s.v.agent = std::uint16_t(g.index[std::size_t(pickCum(m_rng, g.cum))]);
        s.v.hostLen = std::uint8_t(foreignHost(m_rng, s.v.host));
        s.nPages = std::min(3 + int(m_rng.expo(20)), kMaxPages);
        s.label = labelOf("disguised\tcrawler");
        break;
    }
    case Who::Pinger: {
        const int which = int(m_rng.below(3));
        s.v = m_pingers[which];
        s.interval = which == 0 ? 60 : which == 1 ? 300 : 120;
        s.nPages = kMaxPages;
        s.label = labelOf("disguised\tmonitor");
        break;
    }
    case Who::Owner:
    case Who::Embedded:
        s.v = m_owner;
        if (s.who == Who::Embedded)
            s.v.agent = std::uint16_t(embeddedAgent());
        s.returning = true;
        s.nPages = s.who == Who::Owner ? 3 + int(m_rng.below(5)) : 1 + int(m_rng.below(4));
        s.nav = s.who == Who::Owner ? Nav::Admin : Nav::Home;
        break;
    }
    if (s.who == Who::Crawler || s.who == Who::Tool)
        s.label = machineLabel("named", userAgents()[s.v.agent].text);
    if (s.who == Who::Scanner)
        s.label = std::strncmp(userAgents()[s.v.agent].text, "Mozilla/5.0 (Windows", 20) == 0
                      ? labelOf("disguised\tscanner")
                      : machineLabel("named", userAgents()[s.v.agent].text);
    if (s.who != Who::Human)
        s.siteVar = s.v.siteVar;
    planPages(s, t);
    push(idx, t);
}

// --- one step: a page and what it pulls in ------------------------------------------------

void Generator::assets(Session& s, std::int64_t t, const std::vector<std::uint16_t>& images)
{
    const std::int64_t t1 = t + 1;
    const bool first = !s.commonSent;
    if (first || m_rng.chance(0.04)) { // first page, or a reload that revalidates
        for (std::uint16_t a : m_site.common)
            queueAsset(s, t1, a, !first || (s.returning && m_rng.chance(0.8)));
        s.commonSent = true;
    }
    // Pictures already fetched in this visit come from the cache (now and then revalidated);
    // a returning visitor's cache may still hold the others.
    std::size_t n = 0;
    for (std::uint16_t a : images) {
        bool notModified = s.returning && m_rng.chance(0.35);
        if (s.fetched.test(a)) {
            if (!m_rng.chance(0.05))
                continue;
            notModified = true;
        }
        s.fetched.set(a);
        queueAsset(s, n++ < 4 ? t1 : t1 + 1, a, notModified);
    }
    if (first && !s.returning) {
        queueAsset(s, t1 + 1, m_site.favicon, false, kRefNone);
        if (s.v.ios)
            queueAsset(s, t1 + 1, m_site.touchIcon, false);
    }
}

void Generator::viewPage(Session& s, std::int64_t t, int page, Ref ref, const char* query)
{
    const Page* p = &m_site.pages[std::size_t(page)];
    if (p->kind == PageKind::Moved) {
        // Referers resolve against the state after this step, so the hop and the page it
        // leads to both name the same referer.
        setAux(s, p->urls[0].data(), p->urls[0].size());
        queue(s, t, kGet, kSrcAux, nullptr, 0, 302, p->bytes, ref);
        page = p->target;
        p = &m_site.pages[std::size_t(page)];
    }
    char url[400];
    const std::string& base = spelling(*p, 0.15);
    std::size_t n = base.size();
    std::memcpy(url, base.data(), n);
    if (query) {
        const std::size_t q = std::strlen(query);
        std::memcpy(url + n, query, q);
        n += q;
    }
    setCur(s, url, n);
    s.page = page;
    if (p->kind == PageKind::Missing) {
        queue(s, t, kGet, kSrcCur, nullptr, 0, 404, 196, ref);
        s.nav = Nav::Missing;
        return;
    }
    const bool notModified = s.returning && m_rng.chance(0.12);
    queue(s, t, kGet, kSrcCur, nullptr, 0, notModified ? 304 : 200, notModified ? -1 : p->bytes,
          ref);
    assets(s, t, p->images);
    switch (p->kind) {
    case PageKind::Home:
        s.nav = Nav::Home;
        break;
    case PageKind::Category:
        s.nav = Nav::Category;
        s.cat = p->cat;
        break;
    case PageKind::Item:
        s.nav = Nav::Item;
        s.cat = p->cat;
        break;
    case PageKind::BlogIndex:
    case PageKind::BlogEntry:
        s.nav = Nav::Blog;
        break;
    default:
        s.nav = Nav::Info;
        break;
    }
}

void Generator::viewCgi(Session& s, std::int64_t t, const char* url, std::size_t len,
                        std::int32_t bytes, Ref ref, const std::vector<std::uint16_t>& images)
{
    setCur(s, url, len);
    s.page = -1;
    queue(s, t, kGet, kSrcCur, nullptr, 0, 200, bytes, ref, s.who == Who::Owner);
    assets(s, t, images);
}

void Generator::search(Session& s, std::int64_t t)
{
    int word = s.word;
    bool ideo = s.ideo;
    if (word < 0 || m_words[std::size_t(word)].shopName || m_rng.chance(0.5)) {
        word = pickCum(m_rng, wordCum());
        ideo = m_rng.chance(0.2);
    }
    const std::string& esc = m_words[std::size_t(word)].esc[ideo][kUtf8];
    char url[400];
    int n = 0;
    if (m_rng.chance(0.6))
        n = std::snprintf(url, sizeof url, "/search.cgi?q=%s&x=%d&y=%d", esc.c_str(),
                          m_rng.range(0, 40), m_rng.range(0, 20));
    else
        n = std::snprintf(url, sizeof url, "/search.cgi?q=%s&cat=all", esc.c_str());
    std::vector<std::uint16_t> thumbs;
    for (int i = m_rng.range(0, 6); i > 0; --i)
        thumbs.push_back(m_site.thumbs[std::size_t(pickItem())]);
    viewCgi(s, t, url, std::size_t(std::min(n, int(sizeof url) - 1)), 8000 + m_rng.range(0, 14000),
            kRefPrev, thumbs);
    s.nav = Nav::Search;
}

void Generator::landing(Session& s, std::int64_t t)
{
    const double r = m_rng.unit();
    int page = m_site.home;
    const char* query = nullptr;
    switch (s.refKind) {
    case RefKind::Search:
        if (m_words[std::size_t(s.word)].shopName)
            page = m_site.home;
        else if (r < 0.55)
            page = pickItem();
        else if (r < 0.8)
            page = pickCategory();
        else if (r < 0.9)
            page = m_site.home;
        else if (r < 0.97)
            page = pickFrom(m_site.blog);
        else
            page = pickFrom(m_site.missing);
        break;
    case RefKind::None:
        page = r < 0.85 ? m_site.home : r < 0.95 ? pickCategory() : pickItem();
        break;
    case RefKind::Social:
        page = r < 0.6 ? pickItem() : r < 0.9 ? pickFrom(m_site.blog) : m_site.home;
        if (page != m_site.home && m_rng.chance(0.4))
            query = s.ext[8] == 't' ? "?utm_source=twitter&utm_medium=social" : "?utm_source=sns";
        break;
    case RefKind::Blog:
        page = r < 0.7    ? pickItem()
               : r < 0.9  ? pickCategory()
               : r < 0.97 ? m_site.home
                          : pickFrom(m_site.missing);
        break;
    case RefKind::Other:
        page = r < 0.6 ? m_site.home : pickCategory();
        break;
    }
    if (r > 0.995)
        page = pickFrom(m_site.moved);
    viewPage(s, t, page, kRefExt, query);
}

void Generator::humanStep(Session& s, std::int64_t t)
{
    if (s.pageIdx == 0) {
        if (s.who == Who::Embedded) // opened from a report: no referer
            viewPage(s, t, m_rng.chance(0.5) ? pickItem() : pickFrom(m_site.info), kRefNone);
        else
            landing(s, t);
        return;
    }
    const double r = m_rng.unit();
    char url[160];
    switch (s.nav) {
    case Nav::Home:
        if (r < 0.45)
            viewPage(s, t, pickCategory(), kRefPrev);
        else if (r < 0.65)
            viewPage(s, t, pickItem(), kRefPrev);
        else if (r < 0.75)
            search(s, t);
        else if (r < 0.83)
            viewPage(s, t, m_rng.chance(0.3) ? m_site.blogIndex : pickFrom(m_site.blog), kRefPrev);
        else if (r < 0.96)
            viewPage(s, t, pickFrom(m_site.info), kRefPrev);
        else
            viewPage(s, t, pickFrom(m_site.moved), kRefPrev);
        break;
    case Nav::Category:
        if (r < 0.6)
            viewPage(s, t, pickItem(m_site.pages[std::size_t(s.page)].cat >= 0 ? s.cat : -1),
                     kRefPrev);
        else if (r < 0.75)
            viewPage(s, t, pickCategory(), kRefPrev);
        else if (r < 0.83)
            viewPage(s, t, m_site.home, kRefPrev);
        else if (r < 0.9)
            search(s, t);
        else
            viewPage(s, t, s.page, kRefPrev,
                     m_rng.chance(0.5) ? "?sort=new" : "?sort=price&page=2");
        break;
    case Nav::Item:
        if (r < 0.14) {
            const int n =
                std::snprintf(url, sizeof url, "/cart.cgi?mode=add&item=%d&qty=%d",
                              m_site.itemNumbers[std::size_t(s.page)], m_rng.chance(0.85) ? 1 : 2);
            setAux(s, url, std::size_t(n));
            queue(s, t, kGet, kSrcAux, nullptr, 0, 302, 229, kRefPrev);
            static const char view[] = "/cart.cgi?mode=view";
            viewCgi(s, t, view, sizeof view - 1, 7000 + m_rng.range(0, 3000), kRefPrev,
                    {m_site.cartJs, m_site.cartSteps[0]});
            s.nav = Nav::Cart;
        } else if (r < 0.44)
            viewPage(s, t, pickItem(s.cat), kRefPrev);
        else if (r < 0.54)
            viewPage(s, t, pickItem(), kRefPrev);
        else if (r < 0.79)
            viewPage(s, t, m_site.categories[std::size_t(s.cat)], kRefPrev);
        else if (r < 0.87)
            viewPage(s, t, m_site.home, kRefPrev);
        else if (r < 0.95)
            search(s, t);
        else
            viewPage(s, t, m_site.info[1 + m_rng.below(4)], kRefPrev);
        break;
    case Nav::Search:
        if (r < 0.7)
            viewPage(s, t, pickItem(), kRefPrev);
        else if (r < 0.85)
            viewPage(s, t, pickCategory(), kRefPrev);
        else
            search(s, t);
        break;
    case Nav::Blog:
        if (r < 0.4)
            viewPage(s, t, pickFrom(m_site.blog), kRefPrev);
        else if (r < 0.7)
            viewPage(s, t, pickItem(), kRefPrev);
        else if (r < 0.85)
            viewPage(s, t, m_site.blogIndex, kRefPrev);
        else if (r < 0.99)
            viewPage(s, t, m_site.home, kRefPrev);
        else
            viewPage(s, t, pickFrom(m_site.missing), kRefPrev); // a stale link in an old entry
        break;
    case Nav::Info:
        if (r < 0.3)
            viewPage(s, t, pickFrom(m_site.info), kRefPrev);
        else if (r < 0.65)
            viewPage(s, t, m_site.home, kRefPrev);
        else
            viewPage(s, t, pickCategory(), kRefPrev);
        break;
    case Nav::Cart:
        if (r < 0.45) {
            static const char cgi[] = "/cart.cgi";
            static const char confirm[] = "/cart.cgi?mode=confirm";
            queue(s, t, kPost, kSrcStatic, cgi, sizeof cgi - 1, 302, 229, kRefPrev);
            viewCgi(s, t, confirm, sizeof confirm - 1, 9000 + m_rng.range(0, 2000), kRefPrev,
                    {m_site.cartSteps[1]});
            s.nav = Nav::Confirm;
        } else if (r < 0.7)
            viewPage(s, t, pickItem(), kRefPrev);
        else
            viewPage(s, t, pickCategory(), kRefPrev);
        break;
    case Nav::Confirm:
        if (r < 0.7) {
            static const char cgi[] = "/cart.cgi";
            queue(s, t, kPost, kSrcStatic, cgi, sizeof cgi - 1, 302, 229, kRefPrev);
            const int n = std::snprintf(url, sizeof url, "/cart.cgi?mode=thanks&order=%06d",
                                        m_rng.range(100000, 999999));
            viewCgi(s, t, url, std::size_t(n), 6000 + m_rng.range(0, 500), kRefPrev,
                    {m_site.cartSteps[2]});
            s.nav = Nav::Thanks;
        } else {
            static const char view[] = "/cart.cgi?mode=view";
            viewCgi(s, t, view, sizeof view - 1, 7000 + m_rng.range(0, 3000), kRefPrev,
                    {m_site.cartJs});
            s.nav = Nav::Cart;
        }
        break;
    case Nav::Thanks:
        viewPage(s, t, r < 0.6 ? m_site.home : pickFrom(m_site.blog), kRefPrev);
        break;
    case Nav::Missing:
        viewPage(s, t, m_site.home, kRefNone); // typed the address again
        break;
    case Nav::Admin:
        break;
    }
}

void Generator::crawlerStep(Session& s, std::int64_t t)
{
    const Crawler& c = crawlerOf(s);
    static const char robots[] = "/robots.txt";
    static const char sitemap[] = "/sitemap.xml";
    if (s.pageIdx == 0 && m_rng.chance(c.robots)) {
        queue(s, t, kGet, kSrcStatic, robots, sizeof robots - 1, 200, 312, kRefNone);
        return;
    }
    if (m_rng.chance(0.03)) {
        queue(s, t, kGet, kSrcStatic, sitemap, sizeof sitemap - 1, 200, 18542, kRefNone);
        return;
    }
    const Page& p = m_site.pages[m_rng.below(std::uint32_t(m_site.pages.size()))];
    const std::string& url = spelling(p, 0.1);
    int status = 200;
    std::int32_t bytes = p.bytes;
    Method m = kGet;
    if (p.kind == PageKind::Missing) {
        status = 404;
    } else if (p.kind == PageKind::Moved) {
        status = 302;
    } else if (m_rng.chance(c.notModified)) {
        status = 304;
        bytes = -1;
    } else if (m_rng.chance(c.head)) {
        m = kHead;
        bytes = -1;
    }
    queue(s, t, m, kSrcStatic, url.data(), url.size(), status, bytes, kRefNone);
}

void Generator::toolStep(Session& s, std::int64_t t)
{
    const char* name = userAgents()[s.v.agent].text;
    const Page& p =
        name[0] == 'c' ? m_site.pages[std::size_t(m_site.home)]
                       : m_site.pages[std::size_t(m_rng.chance(0.5) ? pickItem() : pickCategory())];
    const bool head =
        (name[0] == 'c' && m_rng.chance(0.6)) || (name[0] == 'p' && m_rng.chance(0.2));
    queue(s, t, head ? kHead : kGet, kSrcStatic, p.urls[0].data(), p.urls[0].size(), 200,
          head ? -1 : p.bytes, kRefNone);
}

void Generator::scannerStep(Session& s, std::int64_t t)
{
    if (s.pageIdx == 0 && m_rng.chance(0.3)) {
        const Page& home = m_site.pages[std::size_t(m_site.home)];
        queue(s, t, kGet, kSrcStatic, home.urls[0].data(), 1, 200, home.bytes, kRefNone);
        return;
    }
    const char* path = kScannerPaths[m_rng.below(std::size(kScannerPaths))];
    const Method m = path[1] == 'x' && m_rng.chance(0.5) ? kPost : kGet;
    queue(s, t, m, kSrcStatic, path, std::strlen(path), 404, 196, kRefNone);
}

void Generator::ownerStep(Session& s, std::int64_t t)
{
    static const char admin[] = "/admin/";
    if (s.pageIdx == 0) { // the password prompt, then the page
        queue(s, t, kGet, kSrcStatic, admin, sizeof admin - 1, 401, 381, kRefNone);
        setCur(s, admin, sizeof admin - 1);
        queue(s, t + 3, kGet, kSrcCur, nullptr, 0, 200, 5200 + m_rng.range(0, 800), kRefNone, true);
        queue(s, t + 4, kGet, kSrcStatic, m_site.assets[m_site.adminCss].path.data(),
              m_site.assets[m_site.adminCss].path.size(), 304, -1, kRefCur, true);
        return;
    }
    char url[160];
    int n;
    const double r = m_rng.unit();
    if (r < 0.45)
        n = std::snprintf(url, sizeof url, "/admin/orders.cgi?mode=list&page=%d",
                          m_rng.range(1, 3));
    else if (r < 0.8)
        n = std::snprintf(url, sizeof url, "/admin/orders.cgi?mode=detail&order=%06d",
                          m_rng.range(100000, 999999));
    else
        n = std::snprintf(
            url, sizeof url, "/admin/items.cgi?cat=%s",
            m_site.catNames[m_rng.below(std::uint32_t(m_site.catNames.size()))].c_str());
    setCur(s, url, std::size_t(n));
    queue(s, t, kGet, kSrcCur, nullptr, 0, 200, 4000 + m_rng.range(0, 9000), kRefPrev, true);
}

void Generator::stealthStep(Session& s, std::int64_t t)
{
    static const char robots[] = "/robots.txt";
    if (s.pageIdx == 0 && m_rng.chance(0.25)) {
        queue(s, t, kGet, kSrcStatic, robots, sizeof robots - 1, 200, 312, kRefNone);
        return;
    }
    const Page& p = m_site.pages[m_rng.below(std::uint32_t(m_site.pages.size()))];
    const int status = p.kind == PageKind::Missing ? 404 : p.kind == PageKind::Moved ? 302 : 200;
    queue(s, t, kGet, kSrcStatic, p.urls[0].data(), p.urls[0].size(), status, p.bytes, kRefNone);
}

void Generator::pingerStep(Session& s, std::int64_t t)
{
    const Page& home = m_site.pages[std::size_t(m_site.home)];
    queue(s, t, kGet, kSrcStatic, home.urls[0].data(), home.urls[0].size(), 200, home.bytes,
          kRefNone);
}

void Generator::step(Session& s, std::int64_t t)
{
    s.qHead = s.qLen = 0;
    switch (s.who) {
    case Who::Human:
    case Who::Embedded:
        humanStep(s, t);
        break;
    case Who::Crawler:
    case Who::Modern:
        crawlerStep(s, t);
        break;
    case Who::Stealth:
        stealthStep(s, t);
        break;
    case Who::Pinger:
        pingerStep(s, t);
        break;
    case Who::Tool:
        toolStep(s, t);
        break;
    case Who::Scanner:
        scannerStep(s, t);
        break;
    case Who::Owner:
        ownerStep(s, t);
        break;
    }
    ++s.pageIdx;
    const int w = int(s.who);
    m_stepSum[w] += s.qLen;
    m_stepCount[w] += 1;
    m_pending += s.qLen - s.perStep;
}

// --- output -------------------------------------------------------------------------------

char* Generator::stamp(char* p, std::int64_t t)
{
    if (t != m_stampSec) {
        const std::int64_t day = t / 86400;
        if (day != m_stampDay) {
            // civil date from days since 1970-01-01
            const std::int64_t z = day + 719468;
            const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
            const unsigned doe = unsigned(z - era * 146097);
            const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
            const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
            const unsigned mp = (5 * doy + 2) / 153;
            const unsigned d = doy - (153 * mp + 2) / 5 + 1;
            const unsigned m = mp < 10 ? mp + 3 : mp - 9;
            const std::int64_t y = std::int64_t(yoe) + era * 400 + (m <= 2);
            m_stamp[0] = char('0' + d / 10);
            m_stamp[1] = char('0' + d % 10);
            m_stamp[2] = '/';
            std::memcpy(m_stamp + 3, kMonths[m - 1], 3);
            m_stamp[6] = '/';
            m_stamp[7] = char('0' + y / 1000 % 10);
            m_stamp[8] = char('0' + y / 100 % 10);
            m_stamp[9] = char('0' + y / 10 % 10);
            m_stamp[10] = char('0' + y % 10);
            m_stamp[11] = ':';
            std::memcpy(m_stamp + 20, " +0900", 6);
            m_stampDay = day;
        }
        const int sec = int(t - day * 86400);
        const int hh = sec / 3600, mm = sec / 60 % 60, ss = sec % 60;
        m_stamp[12] = char('0' + hh / 10);
        m_stamp[13] = char('0' + hh % 10);
        m_stamp[14] = ':';
        m_stamp[15] = char('0' + mm / 10);
        m_stamp[16] = char('0' + mm % 10);
        m_stamp[17] = ':';
        m_stamp[18] = char('0' + ss / 10);
        m_stamp[19] = char('0' + ss % 10);
        m_stampSec = t;
    }
    std::memcpy(p, m_stamp, 26);
    return p + 26;
}

void Generator::emit(Session& s)
{
    const Line& l = s.q[s.qHead++];
    if (m_label) {
        const auto [it, added] = m_hostLabels.emplace(std::string(s.v.host, s.v.hostLen), s.label);
        if (!added && it->second != s.label)
            it->second = 1; // mixed
    }
    char* p = m_pos;
    std::memcpy(p, s.v.host, s.v.hostLen);
    p += s.v.hostLen;
    if (l.user) {
        std::memcpy(p, " - hanako [", 11); // the shop owner, signed in to /admin/
        p += 11;
    } else {
        std::memcpy(p, " - - [", 6);
        p += 6;
    }
    p = stamp(p, l.t);
    *p++ = ']';
    *p++ = ' ';
    *p++ = '"';
    const char* method = kMethodText[l.method];
    const std::size_t ml = l.method == kGet ? 4 : 5;
    std::memcpy(p, method, ml);
    p += ml;
    switch (l.src) {
    case kSrcStatic:
        std::memcpy(p, l.path, l.len);
        p += l.len;
        break;
    case kSrcCur:
        std::memcpy(p, s.cur, std::size_t(s.curLen));
        p += s.curLen;
        break;
    case kSrcAux:
        std::memcpy(p, s.aux, std::size_t(s.auxLen));
        p += s.auxLen;
        break;
    }
    std::memcpy(p, kProtoText[s.proto], 11);
    p += 11;
    *p++ = char('0' + l.status / 100);
    *p++ = char('0' + l.status / 10 % 10);
    *p++ = char('0' + l.status % 10);
    *p++ = ' ';
    if (l.bytes < 0)
        *p++ = '-';
    else
        p = putUint(p, std::uint64_t(l.bytes));
    *p++ = ' ';
    *p++ = '"';
    const char* prefix = kSitePrefix[s.siteVar];
    switch (l.ref) {
    case kRefNone:
        *p++ = '-';
        break;
    case kRefExt:
        if (s.extLen) {
            std::memcpy(p, s.ext, std::size_t(s.extLen));
            p += s.extLen;
        } else {
            *p++ = '-';
        }
        break;
    case kRefCur:
    case kRefPrev: {
        const char* url = l.ref == kRefCur ? s.cur : s.prev;
        const int len = l.ref == kRefCur ? s.curLen : s.prevLen;
        if (len == 0) {
            *p++ = '-';
            break;
        }
        const std::size_t pl = std::strlen(prefix);
        std::memcpy(p, prefix, pl);
        p += pl;
        std::memcpy(p, url, std::size_t(len));
        p += len;
        break;
    }
    }
    *p++ = '"';
    *p++ = ' ';
    *p++ = '"';
    const auto& agent = userAgents()[s.v.agent];
    std::memcpy(p, agent.text, m_agentLen[s.v.agent]);
    p += m_agentLen[s.v.agent];
    *p++ = '"';
    *p++ = '\n';
    m_pos = p;
    ++m_lines;
    m_pending -= 1;
    if (std::size_t(m_pos - m_buf.get()) >= kBufferSize)
        flush();
}

bool Generator::run()
{
    drawArrival(false);
    while (m_lines < m_opt.lines && !m_failed) {
        if (!m_heap.empty() && m_heap.front().t <= m_nextArrival) {
            std::pop_heap(m_heap.begin(), m_heap.end(), std::greater<>());
            const Event e = m_heap.back();
            m_heap.pop_back();
            Session& s = *m_sessions[std::size_t(e.idx)];
            m_now = e.t;
            if (s.qHead < s.qLen)
                emit(s);
            else
                step(s, e.t);
            const std::int64_t next = nextTime(s);
            if (next == kNever)
                finish(e.idx);
            else
                push(e.idx, next);
        } else if (m_nextArrival != kNever) {
            m_now = m_nextArrival;
            m_arrivalU = m_nextU;
            arrive(m_now);
            drawArrival(false);
        } else {
            drawArrival(true);
        }
    }
    flush();
    return !m_failed;
}

} // namespace

std::string Generator::labels() const
{
    std::vector<std::pair<std::string, std::uint16_t>> hosts(m_hostLabels.begin(),
                                                             m_hostLabels.end());
    std::sort(hosts.begin(), hosts.end());
    std::string text;
    for (const auto& [host, label] : hosts) {
        text.append(host);
        text.push_back('\t');
        text.append(m_labelTexts[label]);
        text.push_back('\n');
    }
    return text;
}

bool generate(const Options& opt, Sink& out, std::string* labels)
{
    const std::vector<Word>* w = words();
    if (!w || opt.days < 1 || shop().assets.size() > kMaxAssets)
        return false;
    Generator g(opt, out, *w, labels != nullptr);
    const bool ok = g.run();
    if (labels)
        *labels = g.labels();
    return ok;
}

} // namespace genlog
