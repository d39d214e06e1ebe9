#include "tools/genlog/site.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iconv.h>

namespace genlog::site {

int pickCum(Rng& rng, const std::vector<std::uint32_t>& cum)
{
    const std::uint32_t x = rng.below(cum.back());
    return int(std::upper_bound(cum.begin(), cum.end(), x) - cum.begin());
}

namespace {

std::vector<std::uint32_t> cumulate(const std::vector<std::uint32_t>& weights)
{
    std::vector<std::uint32_t> cum;
    std::uint32_t sum = 0;
    for (auto w : weights)
        cum.push_back(sum += w);
    return cum;
}

// ---------------------------------------------------------------------------------------
// The shop

struct SiteBuilder
{
    Site s;
    Rng rng{0x68616e616d697a75ULL}; // fixed: the site is the same for every seed

    std::uint16_t asset(std::string path, int lo, int hi)
    {
        s.assets.push_back({std::move(path), rng.range(lo, hi)});
        return std::uint16_t(s.assets.size() - 1);
    }
    int page(PageKind kind, std::vector<std::string> urls, int lo, int hi)
    {
        Page p;
        p.kind = kind;
        p.urls = std::move(urls);
        p.bytes = rng.range(lo, hi);
        s.pages.push_back(std::move(p));
        s.itemNumbers.push_back(0);
        s.thumbs.push_back(0);
        return int(s.pages.size() - 1);
    }
};

Site buildSite()
{
    SiteBuilder b;
    Site& s = b.s;
    s.common = {b.asset("/css/site.css", 18000, 26000), b.asset("/js/jquery.min.js", 87533, 87533),
                b.asset("/js/app.js", 9000, 16000), b.asset("/img/logo.png", 5000, 9000),
                b.asset("/img/nav-bg.gif", 900, 1600)};
    s.favicon = b.asset("/favicon.ico", 1150, 1150);
    s.touchIcon = b.asset("/apple-touch-icon.png", 0, 0);
    const std::uint16_t cartJs = s.cartJs = b.asset("/js/cart.js", 4000, 7000);
    s.adminCss = b.asset("/admin/admin.css", 3000, 5000);
    for (int i = 0; i < 3; ++i)
        s.cartSteps[i] = b.asset("/img/cart/step" + std::to_string(i + 1) + ".gif", 1500, 3000);

    s.catNames = {"kitchen", "tableware", "textile", "stationery", "interior", "gift"};
    std::vector<std::vector<std::uint16_t>> thumbs(s.catNames.size());
    s.items.resize(s.catNames.size());
    for (std::size_t c = 0; c < s.catNames.size(); ++c) {
        const std::string& name = s.catNames[c];
        for (int k = 0; k < 24; ++k) {
            const int number = int(c + 1) * 100 + 1 + k;
            const std::string id = "item" + std::to_string(number);
            const int p =
                b.page(PageKind::Item, {"/shop/" + name + "/" + id + ".html"}, 14000, 31000);
            Page& pg = s.pages[p];
            pg.cat = int(c);
            pg.images = {b.asset("/img/items/" + id + ".jpg", 38000, 140000),
                         b.asset("/img/items/" + id + "-2.jpg", 30000, 120000)};
            if (k % 3 == 0)
                pg.images.push_back(b.asset("/img/items/" + id + "-3.jpg", 30000, 110000));
            pg.images.push_back(cartJs);
            s.itemNumbers[p] = number;
            thumbs[c].push_back(b.asset("/img/items/" + id + "s.jpg", 4000, 12000));
            s.thumbs[p] = thumbs[c].back();
            s.items[c].push_back(p);
            s.allItems.push_back(p);
        }
        const int p =
            b.page(PageKind::Category,
                   {"/shop/" + name + "/", "/shop/" + name + "/index.html", "/shop/" + name}, 16000,
                   30000);
        s.pages[p].cat = int(c);
        s.pages[p].images.push_back(b.asset("/img/cat/" + name + ".jpg", 30000, 70000));
        for (int k = 0; k < 8; ++k)
            s.pages[p].images.push_back(thumbs[c][k]);
        s.categories.push_back(p);
    }
    // Item popularity: a fixed shuffle ranked 1/(rank + 3).
    std::vector<std::uint32_t> weights(s.allItems.size());
    for (std::size_t i = 0; i < weights.size(); ++i)
        weights[i] = std::uint32_t(100000 / (i + 3));
    for (std::size_t i = weights.size() - 1; i > 0; --i)
        std::swap(weights[i], weights[b.rng.below(std::uint32_t(i + 1))]);
    s.itemCum = cumulate(weights);

    s.home = b.page(PageKind::Home, {"/", "/index.html"}, 22000, 28000);
    s.pages[s.home].images = {b.asset("/img/top/main-visual.jpg", 120000, 180000),
                              b.asset("/img/top/banner-autumn.jpg", 40000, 60000),
                              b.asset("/img/top/banner-new.gif", 9000, 15000),
                              thumbs[0][2],
                              thumbs[1][0],
                              thumbs[2][5],
                              thumbs[5][1]};
    const int shopTop = b.page(PageKind::Category, {"/shop/", "/shop/index.html"}, 18000, 22000);
    s.pages[shopTop].images = {thumbs[0][0], thumbs[1][1], thumbs[2][2],
                               thumbs[3][3], thumbs[4][4], thumbs[5][5]};

    s.blogIndex = b.page(PageKind::BlogIndex, {"/blog/", "/blog/index.html"}, 20000, 26000);
    for (int i = 0; i < 33; ++i) {
        char url[64], img[64];
        const int year = 2024 + i / 12, month = i % 12 + 1;
        std::snprintf(url, sizeof url, "/blog/%d/%02d/entry-%d.html", year, month, i + 1);
        const int p = b.page(PageKind::BlogEntry, {url}, 11000, 19000);
        const int nImg = 1 + i % 3;
        for (int k = 0; k < nImg; ++k) {
            std::snprintf(img, sizeof img, "/img/blog/%d/%02d-%d.jpg", year, month, k + 1);
            s.pages[p].images.push_back(b.asset(img, 25000, 90000));
        }
        s.blog.push_back(p);
    }

    const std::vector<std::vector<std::string>> info = {{"/about/", "/about/index.htm", "/about"},
                                                        {"/guide/index.htm", "/guide/"},
                                                        {"/guide/shipping.htm"},
                                                        {"/guide/payment.htm"},
                                                        {"/guide/faq.htm"},
                                                        {"/company/", "/company"},
                                                        {"/contact/", "/contact/index.html"},
                                                        {"/news/", "/news/index.html"},
                                                        {"/sitemap.html"},
                                                        {"/privacy.html"}};
    for (const auto& urls : info)
        s.info.push_back(b.page(PageKind::Info, urls, 7000, 16000));
    s.pages[s.info[0]].images = {b.asset("/img/about/shop-front.jpg", 60000, 95000)};
    s.pages[s.info[2]].images = {b.asset("/img/guide/box.png", 12000, 20000)};

    for (const char* url :
         {"/shop/kitchen/item099.html", "/shop/textile/item330.html", "/old/index.html",
          "/campaign/2023summer.html", "/blog/2023/12/entry-0.html", "/shop/tableware/item205.htm",
          "/about/staff.html", "/shop/gift/wrapping.html"})
        s.missing.push_back(b.page(PageKind::Missing, {url}, 196, 196));

    const std::pair<const char*, int> moved[] = {
        {"/shop/sale/", s.categories[5]}, {"/shop.html", shopTop}, {"/blog/feed", s.blogIndex}};
    for (const auto& [url, target] : moved) {
        const int p = b.page(PageKind::Moved, {url}, 229, 229);
        s.pages[p].target = target;
        s.moved.push_back(p);
    }
    return s;
}

// ---------------------------------------------------------------------------------------
// Browsers and robots

const std::vector<UserAgent> kAgents = {
    // Desktop browsers
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/137.0.0.0 Safari/537.36",
     Agent::Desktop, 140},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/136.0.0.0 Safari/537.36",
     Agent::Desktop, 50},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/131.0.0.0 Safari/537.36",
     Agent::Desktop, 20},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/137.0.0.0 Safari/537.36",
     Agent::Desktop, 35},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/137.0.0.0 Safari/537.36 Edg/137.0.0.0",
     Agent::Desktop, 80},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/136.0.0.0 Safari/537.36 Edg/136.0.0.0",
     Agent::Desktop, 25},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:138.0) Gecko/20100101 Firefox/138.0",
     Agent::Desktop, 30},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:128.0) Gecko/20100101 Firefox/128.0",
     Agent::Desktop, 8},
    {"Mozilla/5.0 (X11; Linux x86_64; rv:138.0) Gecko/20100101 Firefox/138.0", Agent::Desktop, 6},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10.15; rv:138.0) Gecko/20100101 Firefox/138.0",
     Agent::Desktop, 5},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
     "Version/18.5 Safari/605.1.15",
     Agent::Desktop, 35},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
     "Version/17.6 Safari/605.1.15",
     Agent::Desktop, 10},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/134.0.0.0 Safari/537.36 OPR/119.0.0.0",
     Agent::Desktop, 8},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/132.0.0.0 YaBrowser/25.2.0.0 Safari/537.36",
     Agent::Desktop, 4},
    {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/137.0.0.0 "
     "Safari/537.36",
     Agent::Desktop, 4},
    {"Mozilla/5.0 (X11; CrOS x86_64 14541.0.0) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/137.0.0.0 Safari/537.36",
     Agent::Desktop, 3},
    // Internet Explorer, still met on old office machines
    {"Mozilla/5.0 (Windows NT 6.1; WOW64; Trident/7.0; rv:11.0) like Gecko", Agent::OldIE, 12},
    {"Mozilla/5.0 (Windows NT 10.0; WOW64; Trident/7.0; rv:11.0) like Gecko", Agent::OldIE, 6},
    {"Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.1; WOW64; Trident/6.0)", Agent::OldIE, 3},
    {"Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)", Agent::OldIE, 2},
    {"Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; Trident/4.0; .NET CLR 2.0.50727; .NET CLR "
     "3.0.4506.2152; .NET CLR 3.5.30729)",
     Agent::OldIE, 3},
    {"Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322; .NET CLR 2.0.50727)",
     Agent::OldIE, 1},
    {"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)", Agent::OldIE, 1},
    // iPhone and iPad
    {"Mozilla/5.0 (iPhone; CPU iPhone OS 18_5 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
     "Gecko) Version/18.5 Mobile/15E148 Safari/604.1",
     Agent::IOS, 170},
    {"Mozilla/5.0 (iPhone; CPU iPhone OS 17_6_1 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
     "Gecko) Version/17.6 Mobile/15E148 Safari/604.1",
     Agent::IOS, 40},
    {"Mozilla/5.0 (iPhone; CPU iPhone OS 18_5 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
     "Gecko) CriOS/137.0.7151.79 Mobile/15E148 Safari/604.1",
     Agent::IOS, 20},
    {"Mozilla/5.0 (iPhone; CPU iPhone OS 18_5 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
     "Gecko) Mobile/15E148 Safari Line/15.8.1",
     Agent::IOS, 15},
    {"Mozilla/5.0 (iPad; CPU OS 18_5 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) "
     "Version/18.5 Mobile/15E148 Safari/604.1",
     Agent::IOS, 25},
    // Android
    {"Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/137.0.0.0 "
     "Mobile Safari/537.36",
     Agent::Mobile, 90},
    {"Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/137.0.0.0 "
     "Safari/537.36",
     Agent::Mobile, 5},
    {"Mozilla/5.0 (Linux; Android 14; SAMSUNG SM-S921B) AppleWebKit/537.36 (KHTML, like Gecko) "
     "SamsungBrowser/27.0 Chrome/125.0.0.0 Mobile Safari/537.36",
     Agent::Mobile, 12},
    {"Mozilla/5.0 (Android 14; Mobile; rv:138.0) Gecko/138.0 Firefox/138.0", Agent::Mobile, 3},
    // Robots (weights live in the crawler table)
    {"Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)", Agent::Crawler, 0},
    {"Mozilla/5.0 (Linux; Android 6.0.1; Nexus 5X Build/MMB29P) AppleWebKit/537.36 (KHTML, like "
     "Gecko) Chrome/137.0.7151.119 Mobile Safari/537.36 (compatible; Googlebot/2.1; "
     "+http://www.google.com/bot.html)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; bingbot/2.0; "
     "+http://www.bing.com/bingbot.htm) Chrome/116.0.1938.76 Safari/537.36",
     Agent::Crawler, 0},
    {"Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)", Agent::Crawler, 0},
    {"Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)", Agent::Crawler, 0},
    {"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_5) AppleWebKit/605.1.15 (KHTML, like Gecko) "
     "Version/13.1.1 Safari/605.1.15 (Applebot/0.1; +http://www.apple.com/go/applebot)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 (compatible; AhrefsBot/7.0; +http://ahrefs.com/robot/)", Agent::Crawler, 0},
    // Scripts and scanners
    {"curl/8.5.0", Agent::Tool, 5},
    {"python-requests/2.32.3", Agent::Tool, 4},
    {"Wget/1.21.4", Agent::Tool, 1},
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "Chrome/81.0.4044.129 Safari/537.36",
     Agent::Scanner, 5},
    {"Mozilla/5.0 zgrab/0.x", Agent::Scanner, 3},
    {"Go-http-client/1.1", Agent::Scanner, 2},
    // Vexilo's own report browser
    {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Orvane "
     "Vexilo/0.1 Safari/537.36",
     Agent::Embedded, 1},
    // The machines of today (--machines); weights live in their table. Many give their
    // contact as an https:// address or an e-mail address.
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; GPTBot/1.2; "
     "+https://openai.com/gptbot)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; ClaudeBot/1.0; "
     "+claudebot@anthropic.com)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; PerplexityBot/1.0; "
     "+https://perplexity.ai/perplexitybot)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 (Linux; Android 5.0) AppleWebKit/537.36 (KHTML, like Gecko) Mobile "
     "Safari/537.36 (compatible; Bytespider; spider-feedback@bytedance.com)",
     Agent::Crawler, 0},
    {"CCBot/2.0 (https://commoncrawl.org/faq/)", Agent::Crawler, 0},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; Amazonbot/0.1; "
     "+https://developer.amazon.com/support/amazonbot) Chrome/119.0.6045.214 Safari/537.36",
     Agent::Crawler, 0},
    {"meta-externalagent/1.1 (+https://developers.facebook.com/docs/sharing/webmasters/crawler)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko); compatible; OAI-SearchBot/1.0; "
     "+https://openai.com/searchbot",
     Agent::Crawler, 0},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko); compatible; ChatGPT-User/1.0; "
     "+https://openai.com/bot",
     Agent::Crawler, 0},
    {"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; Perplexity-User/1.0; "
     "+https://perplexity.ai/perplexity-user)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
     "HeadlessChrome/131.0.0.0 Safari/537.36",
     Agent::Crawler, 0},
    {"Mozilla/5.0 (compatible; Google-InspectionTool/1.0)", Agent::Crawler, 0},
    {"Mozilla/5.0 (compatible; DataForSeoBot/1.0; +https://dataforseo.com/dataforseo-bot)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 (compatible; DuckDuckBot-Https/1.1; https://duckduckgo.com/duckduckbot)",
     Agent::Crawler, 0},
    {"Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)", Agent::Crawler,
     0},
    {"Feedly/1.0 (+http://www.feedly.com/fetcher.html; 5 subscribers; like FeedFetcher-Google)",
     Agent::Crawler, 0},
};

int agentIndex(const char* needle)
{
    for (std::size_t i = 0; i < kAgents.size(); ++i)
        if (std::strstr(kAgents[i].text, needle))
            return int(i);
    return 0;
}

std::vector<std::uint32_t> nets(std::initializer_list<std::uint32_t> abc)
{
    return std::vector<std::uint32_t>(abc);
}
constexpr std::uint32_t net(std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    return a << 16 | b << 8 | c;
}

std::vector<Crawler> buildCrawlers()
{
    std::vector<std::uint32_t> google;
    for (std::uint32_t c = 64; c <= 79; ++c)
        google.push_back(net(66, 249, c));
    return {
        {agentIndex("(compatible; Googlebot"), 15, "crawl-", ".googlebot.com", google, 0.7, 0, 0.25,
         0.3},
        {agentIndex("Nexus 5X"), 25, "crawl-", ".googlebot.com", google, 0.7, 0, 0.25, 0.1},
        {agentIndex("KHTML, like Gecko; compatible; bingbot"), 12, "msnbot-", ".search.msn.com",
         nets({net(40, 77, 167), net(40, 77, 188), net(157, 55, 39), net(207, 46, 13)}), 0.6, 0,
         0.1, 0.3},
        {agentIndex("(compatible; bingbot"), 6, "msnbot-", ".search.msn.com",
         nets({net(40, 77, 167), net(157, 55, 39), net(207, 46, 13)}), 0.6, 0, 0.1, 0.3},
        {agentIndex("Baiduspider"), 8, "baiduspider-", ".crawl.baidu.com",
         nets({net(180, 76, 15), net(220, 181, 108), net(116, 179, 32)}), 0.5, 0, 0, 0.4},
        {agentIndex("YandexBot"), 6, "", ".spider.yandex.com",
         nets({net(5, 255, 231), net(213, 180, 203), net(95, 108, 213), net(87, 250, 224)}), 0.8,
         0.12, 0.05, 0.4},
        {agentIndex("Applebot"), 8, "", ".applebot.apple.com",
         nets({net(17, 241, 219), net(17, 241, 75), net(17, 22, 237)}), 0.7, 0, 0, 0.2},
        {agentIndex("AhrefsBot"), 20, "ip-", ".a.ahrefs.com",
         nets({net(54, 36, 148), net(54, 36, 149), net(5, 39, 1), net(51, 222, 253)}), 0.5, 0, 0,
         0.5},
    };
}

// The machines of today's logs (--machines), with what robots.ini calls them. Most come
// from cloud addresses without names.
std::vector<Crawler> buildModernCrawlers()
{
    return {
        {agentIndex("GPTBot"), 16, "", "",
         nets({net(20, 171, 206), net(20, 171, 207), net(52, 230, 152)}), 0, 0, 0, 0.5},
        {agentIndex("ClaudeBot"), 13, "", "", nets({net(216, 73, 216), net(34, 162, 46)}), 0, 0, 0,
         0.5},
        {agentIndex("PerplexityBot"), 5, "", "", nets({net(44, 221, 181), net(52, 70, 240)}), 0, 0,
         0, 0.4},
        {agentIndex("Bytespider"), 10, "", "", nets({net(110, 249, 201), net(47, 128, 36)}), 0, 0,
         0, 0.1},
        {agentIndex("CCBot"), 4, "", "", nets({net(18, 97, 9), net(44, 192, 48)}), 0, 0, 0, 0.6},
        {agentIndex("Amazonbot"), 8, "", "", nets({net(3, 224, 220), net(52, 70, 220)}), 0, 0, 0.1,
         0.5},
        {agentIndex("meta-externalagent"), 8, "", "", nets({net(57, 141, 0), net(57, 141, 4)}), 0,
         0, 0, 0.2},
        {agentIndex("OAI-SearchBot"), 4, "", "", nets({net(20, 42, 10)}), 0, 0, 0, 0.5},
        {agentIndex("ChatGPT-User"), 5, "", "", nets({net(23, 98, 142), net(40, 84, 180)}), 0, 0, 0,
         0},
        {agentIndex("Perplexity-User"), 2, "", "", nets({net(44, 208, 221)}), 0, 0, 0, 0},
        {agentIndex("HeadlessChrome"), 6, "", "", nets({net(34, 85, 10), net(35, 187, 132)}), 0, 0,
         0, 0},
        {agentIndex("Google-InspectionTool"), 2, "crawl-", ".googlebot.com",
         nets({net(66, 249, 66)}), 0.9, 0, 0, 0},
        {agentIndex("DataForSeoBot"), 3, "", "", nets({net(144, 76, 23), net(136, 243, 220)}), 0, 0,
         0, 0.6},
        {agentIndex("DuckDuckBot-Https"), 2, "", "", nets({net(20, 191, 45)}), 0, 0, 0, 0.5},
        {agentIndex("SemrushBot"), 5, "", "", nets({net(185, 191, 171), net(85, 208, 96)}), 0, 0, 0,
         0.6},
        {agentIndex("Feedly/"), 2, "", "", nets({net(52, 2, 33)}), 0, 0, 0.5, 0},
    };
}

// ---------------------------------------------------------------------------------------
// Networks

enum class Style : std::uint8_t { Ip, Ocn, Dion, AuNet, Bbtec, Plala, Mesh, Zaq, Panda, Corp };

struct Range
{
    std::uint8_t a, bLo, bHi;
};

struct Isp
{
    std::uint16_t weight;
    Style style;
    double resolved;
    std::vector<Range> ranges;
};

const std::vector<Isp> kFixedIsps = {
    {26, Style::Ocn, 0.6, {{153, 130, 250}, {180, 0, 60}, {114, 150, 170}, {122, 16, 31}}},
    {18, Style::Dion, 0.6, {{111, 86, 111}, {118, 152, 159}, {182, 164, 171}}},
    {14, Style::Bbtec, 0.7, {{126, 0, 255}, {219, 160, 170}}},
    {8, Style::Plala, 0.6, {{114, 178, 190}, {220, 96, 111}}},
    {5, Style::Mesh, 0.6, {{125, 192, 207}, {61, 214, 215}}},
    {6, Style::Zaq, 0.7, {{106, 72, 73}, {14, 8, 15}}},
    {10, Style::Ip, 0, {{118, 240, 243}, {220, 208, 223}}},
    {9, Style::Ip, 0, {{60, 32, 47}, {27, 80, 95}, {221, 112, 127}}},
    {4, Style::Corp, 1, {{210, 128, 250}, {202, 208, 250}}},
};
const std::vector<Isp> kMobileIsps = {
    {30, Style::Ip, 0, {{1, 66, 79}, {49, 96, 111}}},
    {25, Style::AuNet, 0.5, {{106, 128, 191}, {49, 104, 111}}},
    {20, Style::Panda, 0.5, {{126, 0, 255}}},
    {8, Style::Ip, 0, {{133, 106, 106}}},
};

std::vector<std::uint32_t> ispCum(const std::vector<Isp>& isps)
{
    std::vector<std::uint32_t> w;
    for (const auto& i : isps)
        w.push_back(i.weight);
    return cumulate(w);
}

struct Place
{
    const char* town;
    const char* pref;
};
const Place kOcnPlaces[] = {
    {"shinjuku", "tokyo"},    {"marunouchi", "tokyo"},    {"funabasi", "chiba"},
    {"yokohama", "kanagawa"}, {"osakakita", "osaka"},     {"kobe", "hyogo"},
    {"nagoya", "aichi"},      {"sapodori", "hokkaido"},   {"fukuokachuo", "fukuoka"},
    {"sendai", "miyagi"},     {"hiroshima", "hiroshima"}, {"kyoto", "kyoto"},
    {"niigata", "niigata"},   {"matsuyama", "ehime"}};
const char* const kMeshAreas[] = {"tky", "kng", "osk", "stm", "chb", "ngo", "fko", "hyg"};
const char* const kPlalaAreas[] = {"013", "014", "027", "023", "040", "001"};
const char* const kCorpHosts[] = {"fw1.kosugi-sangyo.co.jp",      "proxy.nagisa-u.ac.jp",
                                  "gw2.tsubame-denki.co.jp",      "ns.yamabuki-shoji.co.jp",
                                  "proxy01.hoshizora-city.lg.jp", "fw.marutake-print.co.jp"};

template <std::size_t N, class T> const T& pickOf(Rng& rng, const T (&arr)[N])
{
    return arr[rng.below(N)];
}

int ispName(Rng& rng, const Isp& isp, char* out);

// Writes the host into out (at least 80 bytes) and returns its length.
int ispHost(Rng& rng, const Isp& isp, char* out)
{
    const int n = ispName(rng, isp, out);
    return n < 0 ? 0 : n > 79 ? 79 : n;
}

int ispName(Rng& rng, const Isp& isp, char* out)
{
    const Range& r = isp.ranges[rng.below(std::uint32_t(isp.ranges.size()))];
    const unsigned a = r.a, b = unsigned(rng.range(r.bLo, r.bHi)), c = rng.below(256),
                   d = 1 + rng.below(254);
    if (isp.style == Style::Ip || !rng.chance(isp.resolved))
        return ipHost(a, b, c, d, out);
    const int n = 80;
    switch (isp.style) {
    case Style::Ocn: {
        const Place& p = pickOf(rng, kOcnPlaces);
        return std::snprintf(out, n, "p%u-ipngn%u%s.%s.ocn.ne.jp", 1000000 + rng.below(9000000),
                             (1 + rng.below(42)) * 100 + 1 + rng.below(3), p.town, p.pref);
    }
    case Style::Dion:
        return std::snprintf(out, n, "KD%03u%03u%03u%03u.ppp-bb.dion.ne.jp", a, b, c, d);
    case Style::AuNet:
        return std::snprintf(out, n, "KD%03u%03u%03u%03u.au-net.ne.jp", a, b, c, d);
    case Style::Bbtec:
        return std::snprintf(out, n, "softbank%03u%03u%03u%03u.bbtec.net", a, b, c, d);
    case Style::Plala:
        return std::snprintf(out, n, "i%u-%u-%u-%u.s%u.a%s.ap.plala.or.jp", a, b, c, d,
                             40 + rng.below(3), pickOf(rng, kPlalaAreas));
    case Style::Mesh:
        return std::snprintf(out, n, "FL1-%u-%u-%u-%u.%s.mesh.ad.jp", a, b, c, d,
                             pickOf(rng, kMeshAreas));
    case Style::Zaq:
        return std::snprintf(out, n, "zaq%02x%02x%02x%02x.zaq.ne.jp", a, b, c, d);
    case Style::Panda:
        return std::snprintf(out, n, "pw%03u%03u%03u%03u.%u.panda-world.ne.jp", a, b, c, d,
                             1 + rng.below(40));
    case Style::Corp:
        return std::snprintf(out, n, "%s", pickOf(rng, kCorpHosts));
    case Style::Ip:
        break;
    }
    return ipHost(a, b, c, d, out);
}

// ---------------------------------------------------------------------------------------
// Search words

struct WordSource
{
    const char* utf8;
    bool shopName;
};
const WordSource kWords[] = {
    {"雑貨", false},
    {"キッチン雑貨", false},
    {"北欧 食器", false},
    {"花水木雑貨", true},
    {"はなみずき 雑貨", true},
    {"手ぬぐい", false},
    {"マグカップ かわいい", false},
    {"お弁当箱 木製", false},
    {"プレゼント 女性 雑貨", false},
    {"木製 カトラリー", false},
    {"陶器 小皿", false},
    {"ガーゼ ハンカチ", false},
    {"和柄 文房具", false},
    {"ランチョンマット", false},
    {"一輪挿し", false},
    {"ギフト ラッピング", false},
    {"送料無料 雑貨", false},
    {"土鍋 一人用", false},
    {"箸置き", false},
    {"風呂敷 使い方", false},
    {"ブックカバー 布", false},
    {"琺瑯 保存容器", false},
    {"ティーポット", false},
    {"コースター 刺繍", false},
    {"がま口 財布", false},
    {"万年筆 インク", false},
    {"北欧 ファブリック", false},
    {"アロマ キャンドル", false},
    {"誕生日 プレゼント 雑貨", false},
    {"湯呑み", false},
    {"急須", false},
    {"ふきん", false},
    {"お箸 名入れ", false},
    {"花瓶", false},
    {"ポストカード 和紙", false},
    {"hanamizuki zakka", true},
    {"花水木 雑貨店", true},
};

void formEscape(const std::string& bytes, std::string& out)
{
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char ch : bytes) {
        if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
            ch == '-' || ch == '.' || ch == '_' || ch == '*') {
            out += char(ch);
        } else if (ch == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[ch >> 4];
            out += hex[ch & 15];
        }
    }
}

bool convert(const char* to, const std::string& in, std::string& out)
{
    iconv_t cd = iconv_open(to, "UTF-8");
    if (cd == iconv_t(-1))
        return false;
    out.assign(in.size() * 2 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == std::size_t(-1) || srcLeft != 0)
        return false;
    out.resize(out.size() - dstLeft);
    return true;
}

std::vector<Word> loadWords(bool& ok)
{
    std::vector<Word> words;
    ok = true;
    for (const auto& src : kWords) {
        Word w;
        w.utf8 = src.utf8;
        w.shopName = src.shopName;
        for (int ideo = 0; ideo < 2; ++ideo) {
            std::string text;
            for (char ch : w.utf8) {
                if (ch == ' ' && ideo)
                    text += "\xE3\x80\x80"; // U+3000 IDEOGRAPHIC SPACE
                else
                    text += ch;
            }
            std::string sjis, euc;
            if (!convert("CP932", text, sjis) || !convert("EUC-JP", text, euc)) {
                ok = false;
                return {};
            }
            formEscape(text, w.esc[ideo][kUtf8]);
            formEscape(sjis, w.esc[ideo][kSjis]);
            formEscape(euc, w.esc[ideo][kEuc]);
        }
        words.push_back(std::move(w));
    }
    return words;
}

// ---------------------------------------------------------------------------------------
// Referers

struct Template
{
    std::uint16_t weight;
    int enc; // -1: no search words in it
    const char* text;
};

// {W} the escaped words, {N} 1..9, {P} a results page offset, {X} 12 letters, {T} 10 digits.
const std::vector<Template> kSearchTemplates = {
    {28, -1, "https://www.google.co.jp/"},
    {10, -1, "https://www.google.com/"},
    {16, kUtf8, "https://www.google.co.jp/search?q={W}&hl=ja&source=hp&ei={X}&iflsig=AOw8s4{X}"},
    {6, kUtf8, "https://www.google.com/search?q={W}&client=safari&rls=en&ie=UTF-8&oe=UTF-8"},
    {10, kUtf8,
     "http://www.google.co.jp/"
     "url?sa=t&rct=j&q={W}&esrc=s&source=web&cd={N}&ved=0CC{X}&url=http%3A%2F%2Fwww.hanamizuki-"
     "zakka.jp%2F&ei={X}&usg=AFQjCN{X}"},
    {4, kSjis, "http://www.google.co.jp/search?hl=ja&ie=Shift_JIS&q={W}&lr="},
    {2, -1, "android-app://com.google.android.googlequicksearchbox/"},
    {18, kUtf8,
     "https://search.yahoo.co.jp/search?p={W}&fr=top_ga1_sa&ei=UTF-8&ts={T}&aq=-1&oq=&at=&ai={X}"},
    {4, kUtf8, "https://search.yahoo.co.jp/search?p={W}&ei=UTF-8&fr=iphone&ifr=tl_sc"},
    {6, -1, "https://search.yahoo.co.jp/"},
    {6, kEuc, "http://search.yahoo.co.jp/search?ei=EUC-JP&fr=top_ga1&p={W}"},
    {2, kSjis, "http://search.yahoo.co.jp/search?p={W}&ei=Shift_JIS&fr=sfp_as"},
    {8, kUtf8, "https://www.bing.com/search?q={W}&form=QBLH&sp=-1&sc=0-{N}&qs=n&sk=&cvid={X}"},
    {4, kUtf8, "https://www.bing.com/search?q={W}&qs=n&form=QBRE&sp=-1&first={P}&FORM=PERE"},
    {2, -1, "https://www.bing.com/"},
    {2, kUtf8, "https://www.baidu.com/s?wd={W}&ie=utf-8&tn=baiduhome_pg"},
    {1, kUtf8, "http://www.baidu.jp/s?wd={W}&ie=utf-8&lang=ja"},
    {2, kUtf8, "https://duckduckgo.com/?q={W}&t=h_&ia=web"},
    {2, -1, "https://duckduckgo.com/"},
    {2, kUtf8,
     "https://search.goo.ne.jp/"
     "web.jsp?MT={W}&mode=0&sbd=goo001&IE=UTF-8&OE=UTF-8&from=gootop&PT=TOP"},
    {1, kEuc,
     "http://search.goo.ne.jp/web.jsp?MT={W}&mode=0&IE=EUC-JP&OE=EUC-JP&from=s_b_top_web&PT="},
    {2, kUtf8, "https://cgi.search.biglobe.ne.jp/cgi-bin/search-st?ie=utf8&search=&q={W}"},
    {1, kEuc, "http://cgi.search.biglobe.ne.jp/cgi-bin/search2-b?search=&q={W}"},
    {1, kUtf8, "https://websearch.excite.co.jp/?q={W}"},
    {1, kSjis,
     "http://www.excite.co.jp/search.gw?search={W}&target=combined&look=excite_jp&lang=jp"},
    {2, kUtf8, "https://websearch.rakuten.co.jp/Web?qt={W}&col=OW&svx=101102"},
    {1, kUtf8,
     "https://search.nifty.com/websearch/search?select=2&ss=nifty_top_tp&q={W}&otype=web"},
};

int expand(Rng& rng, const char* tmpl, const std::string* word, char* out)
{
    static const char alnum[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    char* p = out;
    for (const char* t = tmpl; *t; ++t) {
        if (t[0] == '{' && t[1] && t[2] == '}') {
            switch (t[1]) {
            case 'W':
                std::memcpy(p, word->data(), word->size());
                p += word->size();
                break;
            case 'N':
                *p++ = char('1' + rng.below(9));
                break;
            case 'P':
                p += std::sprintf(p, "%u", 1 + 10 * (1 + rng.below(4)));
                break;
            case 'X':
                for (int i = 0; i < 12; ++i)
                    *p++ = alnum[rng.below(62)];
                break;
            case 'T':
                p += std::sprintf(p, "%u", 1700000000 + rng.below(100000000));
                break;
            case 'H':
                for (int i = 0; i < 12; ++i)
                    *p++ = "0123456789abcdef"[rng.below(16)];
                break;
            case 'D':
                p += std::sprintf(p, "%u", 10000000 + rng.below(90000000));
                break;
            }
            t += 2;
        } else {
            *p++ = *t;
        }
    }
    return int(p - out);
}

std::vector<std::uint32_t> weightsOf(const std::vector<Template>& ts)
{
    std::vector<std::uint32_t> w;
    for (const auto& t : ts)
        w.push_back(t.weight);
    return cumulate(w);
}

const char* const kBlogNames[] = {
    "hana-no-kurashi", "mame-biyori",   "kurashi-note",  "tabi-to-zakka", "ouchi-cafe",
    "hibi-no-kiroku",  "nekomimi-days", "komorebi-life", "asagao-techo",  "yuzu-no-ki"};

const std::vector<Template> kBlogTemplates = {
    {30, -1, "https://ameblo.jp/{B}/entry-12{D}{N}{N}.html"},
    {20, -1, "https://{B}.hatenablog.com/entry/2026/0{N}/1{N}/2{N}3000"},
    {15, -1, "https://note.com/{B}/n/n{H}"},
    {10, -1, "http://blog.livedoor.jp/{B}/archives/{D}.html"},
    {8, -1, "https://{B}.exblog.jp/{D}/"},
    {8, -1, "http://{B}.blog.fc2.com/blog-entry-{N}{N}.html"},
};
const std::vector<Template> kSocialTemplates = {
    {35, -1, "https://t.co/{X}"},
    {10, -1, "https://m.facebook.com/"},
    {8, -1, "https://l.facebook.com/"},
    {5, -1, "https://www.facebook.com/"},
    {5, -1, "https://lm.facebook.com/l.php?u=https%3A%2F%2Fwww.hanamizuki-zakka.jp%2F&h=AT{X}"},
    {12, -1, "https://www.instagram.com/"},
    {6, -1, "https://l.instagram.com/"},
    {5, -1, "https://www.pinterest.jp/"},
    {6, -1, "https://x.com/"},
};
const std::vector<Template> kOtherTemplates = {
    {10, -1, "https://www.rakuten.co.jp/"}, {10, -1, "https://creema.jp/item/{D}/detail"},
    {8, -1, "https://minne.com/items/{D}"}, {4, -1, "https://www.iichi.com/listing/item/{D}"},
    {4, -1, "https://kakaku.com/"},         {3, -1, "https://chatgpt.com/"},
};

int fromTemplates(Rng& rng, const std::vector<Template>& ts, char* out)
{
    static const std::vector<std::uint32_t> blogCum = weightsOf(kBlogTemplates);
    static const std::vector<std::uint32_t> socialCum = weightsOf(kSocialTemplates);
    static const std::vector<std::uint32_t> otherCum = weightsOf(kOtherTemplates);
    const auto& cum = &ts == &kBlogTemplates     ? blogCum
                      : &ts == &kSocialTemplates ? socialCum
                                                 : otherCum;
    std::string tmpl = ts[pickCum(rng, cum)].text;
    const std::size_t b = tmpl.find("{B}");
    if (b != std::string::npos)
        tmpl.replace(b, 3, pickOf(rng, kBlogNames));
    return expand(rng, tmpl.c_str(), nullptr, out);
}

} // namespace

const Site& shop()
{
    static const Site s = buildSite();
    return s;
}

const std::vector<UserAgent>& userAgents()
{
    return kAgents;
}

const AgentGroup& agentsOf(Agent kind)
{
    static const std::vector<AgentGroup> groups = [] {
        std::vector<AgentGroup> g(std::size_t(Agent::Embedded) + 1);
        std::vector<std::vector<std::uint32_t>> w(g.size());
        for (std::size_t i = 0; i < kAgents.size(); ++i) {
            const auto k = std::size_t(kAgents[i].kind);
            g[k].index.push_back(int(i));
            w[k].push_back(kAgents[i].weight ? kAgents[i].weight : 1);
        }
        for (std::size_t k = 0; k < g.size(); ++k)
            g[k].cum = cumulate(w[k]);
        return g;
    }();
    return groups[std::size_t(kind)];
}

int embeddedAgent()
{
    static const int i = agentIndex("Orvane Vexilo");
    return i;
}

int ownerAgent()
{
    return 0; // Chrome on Windows
}

const std::vector<Crawler>& crawlers()
{
    static const std::vector<Crawler> c = buildCrawlers();
    return c;
}

const std::vector<Crawler>& modernCrawlers()
{
    static const std::vector<Crawler> c = buildModernCrawlers();
    return c;
}

const std::vector<std::uint32_t>& modernCum()
{
    static const std::vector<std::uint32_t> cum = [] {
        std::vector<std::uint32_t> w;
        for (const auto& c : modernCrawlers())
            w.push_back(c.weight);
        return cumulate(w);
    }();
    return cum;
}

const std::vector<std::uint32_t>& crawlerCum()
{
    static const std::vector<std::uint32_t> cum = [] {
        std::vector<std::uint32_t> w;
        for (const auto& c : crawlers())
            w.push_back(c.weight);
        return cumulate(w);
    }();
    return cum;
}

int ipHost(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, char* out)
{
    return std::snprintf(out, 16, "%u.%u.%u.%u", a & 255, b & 255, c & 255, d & 255);
}

int humanHost(Rng& rng, bool mobile, char* out)
{
    static const std::vector<std::uint32_t> fixedCum = ispCum(kFixedIsps);
    static const std::vector<std::uint32_t> mobileCum = ispCum(kMobileIsps);
    if (mobile && rng.chance(0.35)) // phones on home Wi-Fi
        mobile = false;
    if (mobile)
        return ispHost(rng, kMobileIsps[pickCum(rng, mobileCum)], out);
    return ispHost(rng, kFixedIsps[pickCum(rng, fixedCum)], out);
}

int foreignHost(Rng& rng, char* out)
{
    static const Range ranges[] = {{45, 0, 255},  {185, 0, 255},  {193, 0, 255}, {104, 16, 255},
                                   {167, 94, 94}, {43, 128, 159}, {89, 0, 255},  {162, 125, 142}};
    const Range& r = pickOf(rng, ranges);
    return ipHost(r.a, unsigned(rng.range(r.bLo, r.bHi)), rng.below(256), 1 + rng.below(254), out);
}

const std::vector<Word>* words()
{
    static bool ok = false;
    static const std::vector<Word> w = loadWords(ok);
    return ok ? &w : nullptr;
}

const std::vector<std::uint32_t>& wordCum()
{
    static const std::vector<std::uint32_t> cum = [] {
        std::vector<std::uint32_t> w;
        for (std::size_t i = 0; i < std::size(kWords); ++i)
            w.push_back(std::uint32_t(10000 / (i + 2)));
        return cumulate(w);
    }();
    return cum;
}

int searchReferer(Rng& rng, const Word& w, bool ideographicSpace, char* out)
{
    static const std::vector<std::uint32_t> cum = weightsOf(kSearchTemplates);
    const Template& t = kSearchTemplates[pickCum(rng, cum)];
    const std::string* esc = t.enc < 0 ? nullptr : &w.esc[ideographicSpace ? 1 : 0][t.enc];
    return expand(rng, t.text, esc, out);
}

int socialReferer(Rng& rng, char* out)
{
    return fromTemplates(rng, kSocialTemplates, out);
}

int blogReferer(Rng& rng, char* out)
{
    return fromTemplates(rng, kBlogTemplates, out);
}

int otherReferer(Rng& rng, char* out)
{
    return fromTemplates(rng, kOtherTemplates, out);
}

} // namespace genlog::site
