#pragma once

// The small log the view tests run on, loaded once per test program with the filter tests'
// rule files (engine "Finder" for search.example only; word q=, rank r=), a host-name cache
// file and a URL-group file. Local time is UTC.
//
// 2026-10-01 (Thursday), site http://www.example.com, S(q, r) = search.example with q and r:
//   V1 10.0.0.1 jp.co.example.host1  Firefox       0 /a      S(foo, 3)
//                                                  60 /b?x=1  site/a
//                                                 120 /c      site/b
//   V2 10.0.0.2 not known yet        Chrome     1000 /b      http://nosearch.example/find?q=bar
//   V3 10.0.0.3 "" (no name)         curl       2000 /c      http://other.example/page?from=mail
//                                               2060 /a      http://other.example/page?from=news
//                                               2100 /b      http://other.example/page?from=feed
//   V4 Host4.Example.COM             Firefox    3000 /a      http://other.example/page?from=mail
// 2026-10-02: the three hits of 192.0.2.99 (not known yet) that make the site its own.
// 2026-10-03 (Saturday) 01:00:
//   V5 10.0.0.5 net.example.host5    Chrome   176400 /a      http://other.example/
//                                             176460 /c      (no referer)
// 2026-10-04 (Sunday) 02:00:
//   V6 10.0.0.1                      Firefox  266400 /a      (no referer)
// URL groups: /b is in /shop; http://other.example/page is in http://other.example.

#include "../platform/temp_dir.h"
#include "../store/hits.h"
#include "platform/settings.h"
#include "store/log_container.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace vxtest {

inline const std::string kFirefox =
    "Mozilla/5.0 (Windows NT 10.0; rv:138.0) Gecko/20100101 Firefox/138.0";
inline const std::string kChrome =
    "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 Chrome/137.0.0.0 Safari/537.36";
inline const std::string kCurl = "curl/8.5";
inline const std::string kOtherPage = "http://other.example/page";

inline store::LogContainer& viewsLog()
{
    static TempDir dir;
    static std::unique_ptr<store::LogContainer> log = [] {
        ::setenv("TZ", "UTC", 1);
        const std::string home = dir.file("home");
        std::filesystem::create_directories(home);
        platform::setHomeDirOverride(home);
        const char* data = std::getenv("VEXILO_TEST_DATA");
        platform::setResFolder(std::string(data ? data : "data") + "/filters/res");
        writeFile(home + "/dns20261001.dat", "[DNS]\r\n0A000001=jp.co.example.host1\r\n"
                                             "0A000003=\"\"\r\n0A000005=net.example.host5\r\n");
        writeFile(home + "/www.example.com.urlgrp", "[MapString]\r\n/b\r\n/shop\r\n\r\n"
                                                    "[MapString]\r\n" +
                                                        kOtherPage +
                                                        "\r\nhttp://other.example\r\n\r\n");
        const std::string search = "https://search.example/find?q=foo&r=3";
        const std::vector<Hit> hits = {
            {"10.0.0.1", 0, "/a", search, kFirefox},
            {"10.0.0.1", 60, "/b?x=1", kSite + "/a", kFirefox},
            {"10.0.0.1", 120, "/c", kSite + "/b", kFirefox},
            {"10.0.0.2", 1000, "/b", "http://nosearch.example/find?q=bar", kChrome},
            {"10.0.0.3", 2000, "/c", kOtherPage + "?from=mail", kCurl},
            {"10.0.0.3", 2060, "/a", kOtherPage + "?from=news", kCurl},
            {"10.0.0.3", 2100, "/b", kOtherPage + "?from=feed", kCurl},
            {"Host4.Example.COM", 3000, "/a", kOtherPage + "?from=mail", kFirefox},
            {"192.0.2.99", 86400 + 600, "/a", kSite + "/"},
            {"192.0.2.99", 86400 + 610, "/b", kSite + "/a"},
            {"192.0.2.99", 86400 + 620, "/c", kSite + "/b"},
            {"10.0.0.5", 176400, "/a", "http://other.example/", kChrome},
            {"10.0.0.5", 176460, "/c", "-", kChrome},
            {"10.0.0.1", 266400, "/a", "-", kFirefox},
        };
        auto loaded = std::make_unique<store::LogContainer>();
        const std::string path = dir.file("views.vxlog");
        loaded->logPath = path;
        store::Progress progress{0.0f};
        if (importHits(hits, path) != 0 || loaded->LoadPipeline(nullptr, progress, false, ""))
            ADD_FAILURE() << "the view test log did not load";
        return loaded;
    }();
    return *log;
}

// The stored copy of a referer text or URL-group name; null when the log has none.
inline const char* refererKey(const store::LogContainer& log, const std::string& text)
{
    for (const store::RefEntry& r : log.Ref) {
        if (r.text && text == r.text)
            return r.text;
        if (r.group && text == r.group)
            return r.group;
    }
    return nullptr;
}

} // namespace vxtest
