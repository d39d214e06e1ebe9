#pragma once

// The small log the filter tests run on, loaded once per test program with the test rule
// files (tests/data/filters/res), a host-name cache file and a URL-group file.
//
// Day 1 (2026-10-01, UTC), site http://www.example.com, search referers S(q, r) =
// https://search.example/find?q=...&r=... (engine "Finder", word q, rank r):
//   V1 10.0.0.1 jp.co.example.host1  Firefox/Windows   0 /a  S("foo bar", 3)
//                                                       60 /b  site/a
//                                                      120 /a  site/b
//   V2 10.0.0.2 com.example.mail     Chrome/Linux   1000 /b  http://other.example/page?from=mail
//                                                    1100 /c?x=1  site/b
//   V3 10.0.0.3 "" (no name)         curl           2000 /a  S("Foo  baz", 15)
//   V4 10.0.0.4 unresolved           Firefox/Windows 3000 /c  site/a   (re-entry)
//                                                    3030 /a  http://other.example/page
//                                                    3090 /b  (no referer)
//   V5 10.0.0.5 net.example.host5    Chrome/Linux   4000 /b  S("foo bar", 12)
//                                                    4060 /c  S("foo baz", 1)
// Day 2: the three hits that make www.example.com the own site (another visitor).
// URL groups: /b is in /shop; http://other.example/page is in http://other.example.

#include "../platform/temp_dir.h"
#include "../store/hits.h"
#include "platform/settings.h"
#include "store/log_container.h"

#include <cstdlib>
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

inline std::string searchReferer(const std::string& q, int rank)
{
    return "https://search.example/find?q=" + q + "&r=" + std::to_string(rank);
}

// The loaded log, shared by every test of the program (tests only change masks).
inline store::LogContainer& filterLog()
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
                                             "0A000002=com.example.mail\r\n0A000003=\"\"\r\n"
                                             "0A000005=net.example.host5\r\n");
        writeFile(home + "/www.example.com.urlgrp",
                  "[MapString]\r\n/b\r\n/shop\r\n\r\n"
                  "[MapString]\r\nhttp://other.example/page\r\nhttp://other.example\r\n\r\n");
        const std::string other = "http://other.example/page";
        std::vector<Hit> hits = {
            {"10.0.0.1", 0, "/a", searchReferer("foo%20bar", 3), kFirefox},
            {"10.0.0.1", 60, "/b", kSite + "/a", kFirefox},
            {"10.0.0.1", 120, "/a", kSite + "/b", kFirefox},
            {"10.0.0.2", 1000, "/b", other + "?from=mail", kChrome},
            {"10.0.0.2", 1100, "/c?x=1", kSite + "/b", kChrome},
            {"10.0.0.3", 2000, "/a", searchReferer("Foo%20%20baz", 15), kCurl},
            {"10.0.0.4", 3000, "/c", kSite + "/a", kFirefox},
            {"10.0.0.4", 3030, "/a", other, kFirefox},
            {"10.0.0.4", 3090, "/b", "-", kFirefox},
            {"10.0.0.5", 4000, "/b", searchReferer("foo%20bar", 12), kChrome},
            {"10.0.0.5", 4060, "/c", searchReferer("foo%20baz", 1), kChrome},
        };
        for (const Hit& h : siteChain(kSite, "192.0.2.99", 86400 + 600))
            hits.push_back(h);
        auto loaded = std::make_unique<store::LogContainer>();
        const std::string path = dir.file("filters.vxlog");
        loaded->logPath = path;
        store::Progress progress{0.0f};
        if (importHits(hits, path) != 0 || loaded->LoadPipeline(nullptr, progress, false, ""))
            ADD_FAILURE() << "the filter test log did not load";
        return loaded;
    }();
    return *log;
}

} // namespace vxtest
