// The shop as static pages: every page the generated visitors view, with the links they
// follow between them, so that the page overlay can be tried without the internet.

#include "tools/genlog/demo_site.h"

#include "tools/genlog/genlog.h"
#include "tools/genlog/site.h"

#include <filesystem>
#include <fstream>
#include <map>

namespace genlog {
namespace {

using site::Page;
using site::PageKind;

const std::map<std::string, const char*> kCategoryTitles = {
    {"kitchen", "キッチン"},  {"tableware", "うつわ"},    {"textile", "ファブリック"},
    {"stationery", "文房具"}, {"interior", "インテリア"}, {"gift", "ギフト"},
};

const char* categoryTitle(const site::Site& s, int cat)
{
    const auto it = kCategoryTitles.find(s.catNames[std::size_t(cat)]);
    return it == kCategoryTitles.end() ? "商品" : it->second;
}

std::string link(const std::string& href, const std::string& text)
{
    return "<a href=\"" + href + "\">" + text + "</a>";
}

std::string itemTitle(const site::Site& s, int page)
{
    return std::string(categoryTitle(s, s.pages[std::size_t(page)].cat)) + " No." +
           std::to_string(s.itemNumbers[std::size_t(page)]);
}

std::string itemList(const site::Site& s, const std::vector<int>& items)
{
    std::string out = "<ul class=\"items\">";
    for (const int p : items)
        out += "<li>" + link(s.pages[std::size_t(p)].urls[0], itemTitle(s, p)) + "</li>";
    return out + "</ul>";
}

std::string infoTitle(const std::string& url)
{
    static const std::map<std::string, const char*> titles = {
        {"/about/", "お店について"},
        {"/guide/index.htm", "ご利用ガイド"},
        {"/guide/shipping.htm", "送料とお届け"},
        {"/guide/payment.htm", "お支払い"},
        {"/guide/faq.htm", "よくある質問"},
        {"/company/", "会社概要"},
        {"/contact/", "お問い合わせ"},
        {"/news/", "お知らせ"},
        {"/sitemap.html", "サイトマップ"},
        {"/privacy.html", "プライバシーポリシー"},
    };
    const auto it = titles.find(url);
    return it == titles.end() ? url : it->second;
}

std::string infoLinks(const site::Site& s)
{
    std::string out;
    for (const int p : s.info)
        out +=
            link(s.pages[std::size_t(p)].urls[0], infoTitle(s.pages[std::size_t(p)].urls[0])) + " ";
    return out;
}

std::string page(const site::Site& s, const std::string& title, const std::string& body)
{
    std::string nav;
    for (const int c : s.categories)
        nav += link(s.pages[std::size_t(c)].urls[0],
                    s.pages[std::size_t(c)].cat >= 0 ? categoryTitle(s, s.pages[std::size_t(c)].cat)
                                                     : "すべての商品");
    return "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"UTF-8\"><title>" + title +
           " | はなみずき雑貨店</title><style>"
           "body{margin:0;font-family:sans-serif;color:#333;background:#fbf8f3;line-height:1.8}"
           "header{background:#7a4b2a;color:#fff;padding:10px 24px}"
           "header a{color:#fff;text-decoration:none;margin-right:18px}"
           "header .logo{font-size:20px;font-weight:bold}"
           "nav{background:#efe4d6;padding:6px 24px}nav a{margin-right:16px;color:#5b3a1e}"
           "main{padding:12px 24px 24px;max-width:980px}h1{font-size:22px}"
           "ul.items{columns:4;padding-left:18px}a{color:#2a5d9f}"
           "footer{padding:12px 24px;border-top:1px solid #e3d7c6;font-size:13px}"
           "</style></head><body><header>" +
           link("/", "<span class=\"logo\">はなみずき雑貨店</span>") +
           link("/search.cgi?q=%E9%9B%91%E8%B2%A8", "検索: 雑貨") +
           link("/cart.cgi?mode=view", "カートを見る") + "</header><nav>" + nav +
           link("/blog/", "ブログ") + "</nav><main><h1>" + title + "</h1>" + body +
           "</main><footer>" + infoLinks(s) + link("/shop/sale/", "セール") +
           "</footer></body></html>\n";
}

std::string bodyOf(const site::Site& s, int index)
{
    const Page& p = s.pages[std::size_t(index)];
    std::string body;
    switch (p.kind) {
    case PageKind::Home: {
        body += "<p>暮らしの道具と、贈りものの雑貨のお店です。</p><h2>人気の商品</h2>";
        body += itemList(s, s.allItems);
        body += "<h2>ブログ</h2><ul>";
        for (const int b : s.blog)
            body += "<li>" +
                    link(s.pages[std::size_t(b)].urls[0], s.pages[std::size_t(b)].urls[0]) +
                    "</li>";
        body += "</ul>";
        break;
    }
    case PageKind::Category:
        if (p.cat >= 0) {
            body += "<p>" + link(p.urls[0] + "?sort=new", "新着順") + " " +
                    link(p.urls[0] + "?sort=price&page=2", "価格順") + "</p>";
            body += itemList(s, s.items[std::size_t(p.cat)]);
        } else {
            body += itemList(s, s.allItems);
        }
        break;
    case PageKind::Item: {
        const int number = s.itemNumbers[std::size_t(index)];
        body +=
            "<p>" +
            link("/cart.cgi?mode=add&item=" + std::to_string(number) + "&qty=1", "カートに入れる") +
            " " +
            link(s.pages[std::size_t(s.categories[std::size_t(p.cat)])].urls[0],
                 std::string(categoryTitle(s, p.cat)) + "の一覧へ") +
            "</p><h2>同じカテゴリの商品</h2>";
        body += itemList(s, s.items[std::size_t(p.cat)]);
        break;
    }
    case PageKind::BlogIndex:
    case PageKind::BlogEntry: {
        body += "<ul>";
        for (const int b : s.blog)
            body += "<li>" +
                    link(s.pages[std::size_t(b)].urls[0], s.pages[std::size_t(b)].urls[0]) +
                    "</li>";
        body += "</ul><h2>紹介した商品</h2>";
        body += itemList(s, s.allItems);
        break;
    }
    case PageKind::Info:
        body += "<p>" + infoLinks(s) + "</p>";
        break;
    case PageKind::Missing:
    case PageKind::Moved:
        break;
    }
    return body;
}

std::string titleOf(const site::Site& s, int index)
{
    const Page& p = s.pages[std::size_t(index)];
    switch (p.kind) {
    case PageKind::Home:
        return "トップ";
    case PageKind::Category:
        return p.cat >= 0 ? categoryTitle(s, p.cat) : "すべての商品";
    case PageKind::Item:
        return itemTitle(s, index);
    case PageKind::BlogIndex:
        return "ブログ";
    case PageKind::BlogEntry:
        return "ブログ " + p.urls[0];
    case PageKind::Info:
        return infoTitle(p.urls[0]);
    default:
        return p.urls[0];
    }
}

} // namespace

bool writeDemoSite(const std::string& folder, std::string& error)
{
    namespace fs = std::filesystem;
    const site::Site& s = site::shop();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error = "cannot make " + folder + ": " + ec.message();
        return false;
    }
    std::ofstream(folder + "/site.txt") << kSiteHost << "\n";
    for (std::size_t i = 0; i < s.pages.size(); ++i) {
        const Page& p = s.pages[i];
        if (p.kind == PageKind::Missing || p.kind == PageKind::Moved)
            continue;
        for (const std::string& url : p.urls) {
            // Every spelling of the page the visitors use, as the server finds it.
            std::string file = folder + url;
            if (file.back() == '/')
                file += "index.html";
            else if (fs::path(url).extension().empty())
                file += "/index.html";
            fs::create_directories(fs::path(file).parent_path(), ec);
            std::ofstream out(file, std::ios::binary);
            out << page(s, titleOf(s, int(i)), bodyOf(s, int(i)));
            if (!out) {
                error = "cannot write " + file;
                return false;
            }
        }
    }
    return true;
}

} // namespace genlog
