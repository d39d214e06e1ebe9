// Rule evaluation speed: the browser rules over user agents and the search-word rules over
// referer URLs, as steps 7 and 10 of the load pipeline run them (once per distinct text).
// Prints the load time of each rule file and evaluations per second, then the INI reader's
// figures on two generated rule files: one section of 100,000 keys and 100,000 sections.
//
//   bench_rules [AGENT_RULES [REFERER_RULES [INPUTS]]]
//   bench_rules --ini        the INI figures only
//
// INI figures on the development machine (Release, two shared cores), in ms for parsing /
// reading every value / LoadRules:
//   100,000 keys      linear search per name 27,663 / 25,922 / 28,139; hash index 107 / 39 / 56
//   100,000 sections  linear search 46,723 / 170,609 / 51,767; hash index 235 / 135 / 400
//
// Defaults: res/agent2browser.ini and res/referer2searchword.ini in the program folder and
// a built-in set of texts. INPUTS is a UTF-8 file, one text per line: lines with "://" are
// referers, the others user agents.

#include "bench/bench_util.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/large_pages.h"
#include "platform/profile.h"
#include "platform/settings.h"
#include "rules/rule_file.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* const kAgents[] = {
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0.0.0 Safari/537.36",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:121.0) Gecko/20100101 Firefox/121.0",
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
    "Version/17.1 Safari/605.1.15",
    "Mozilla/5.0 (iPhone; CPU iPhone OS 17_1 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
    "Gecko) Version/17.1 Mobile/15E148 Safari/604.1",
    "Mozilla/5.0 (Linux; Android 13; SO-51C) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/119.0.6045.163 Mobile Safari/537.36",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0.0.0 Safari/537.36 Edg/120.0.2210.61",
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 1.1.4322)",
    "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.0; SLCC1)",
    "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)",
    "Mozilla/5.0 (Windows NT 6.1; WOW64; Trident/7.0; rv:11.0) like Gecko",
    "Opera/9.80 (Windows NT 6.1; U; ja) Presto/2.10.289 Version/12.02",
    "DoCoMo/2.0 P903i(c100;TB;W24H12)",
    "KDDI-SA31 UP.Browser/6.2.0.7.3.129 (GUI) MMP/2.0",
    "SoftBank/1.0/910T/TJ001/SN123456789012345 Browser/NetFront/3.3 Profile/MIDP-2.0",
    "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
    "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
    "Mozilla/5.0 (X11; Linux x86_64; rv:109.0) Gecko/20100101 Firefox/115.0",
    "Wget/1.21.3",
};

const char* const kReferers[] = {
    "http://www.google.co.jp/search?hl=ja&q=%E6%A4%9C%E7%B4%A2+%E3%83%AD%E3%82%B0&lr=",
    "https://www.google.com/search?q=access+log+analyzer&ie=UTF-8&oe=UTF-8",
    "http://www.google.co.jp/search?q=%8C%9F%8D%F5&ie=Shift_JIS&hl=ja",
    "http://search.yahoo.co.jp/search?p=%E3%82%A2%E3%82%AF%E3%82%BB%E3%82%B9%E8%A7%A3%E6%9E%90"
    "&ei=UTF-8&fr=top_ga1_sa",
    "http://search.yahoo.co.jp/bin/search?p=%B8%A1%BA%F7&ei=EUC-JP",
    "http://www.bing.com/search?q=%E3%82%A6%E3%82%A7%E3%83%96+%E7%B5%B1%E8%A8%88&form=QBLH",
    "http://search.goo.ne.jp/web.jsp?MT=%A5%ED%A5%B0%B2%F2%C0%CF&IE=euc-jp",
    "http://search.biglobe.ne.jp/cgi-bin/search2-b?q=%83%8D%83O&search=%8C%9F%8D%F5",
    "http://search.msn.co.jp/results.aspx?q=%E3%83%AD%E3%82%B0&FORM=QBHP",
    "http://www.infoseek.co.jp/Titles?qt=%1B%24B%25m%25%30%1B%28B&col=OW&svp=SEEK",
    "http://www.example.co.jp/blog/2023/12/entry.html",
    "http://www.example.com/?utm_source=newsletter&utm_medium=mail",
    "https://www.google.co.jp/",
    "http://search.livedoor.com/search?q=%83A%83N%83Z%83X&ie=sjis",
};

struct Inputs
{
    std::vector<std::u16string> agents, referers;
};

Inputs builtIn()
{
    Inputs in;
    for (const char* a : kAgents)
        in.agents.push_back(platform::utf8ToUtf16(a));
    for (const char* r : kReferers)
        in.referers.push_back(platform::utf8ToUtf16(r));
    return in;
}

bool readInputs(const std::string& path, Inputs& in)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        auto& list = line.find("://") != std::string::npos ? in.referers : in.agents;
        list.push_back(platform::utf8ToUtf16(line));
    }
    return true;
}

void measure(const char* label, const std::string& path, const std::vector<std::u16string>& texts)
{
    if (!platform::fileExists(path)) {
        std::printf("%-24s %s not found, not measured\n", label, path.c_str());
        return;
    }
    if (texts.empty()) {
        std::printf("%-24s no input texts, not measured\n", label);
        return;
    }
    const double loadStart = bench::seconds();
    const rules::RuleList list = rules::LoadRules(path);
    const double loadMs = (bench::seconds() - loadStart) * 1000.0;

    // Warm up once (the first evaluation of each expression also JIT-compiles it), then
    // evaluate the whole set over and over for about a second.
    std::size_t classified = 0;
    for (const std::u16string& t : texts) {
        std::u16string text = t;
        if (const int rc = rules::EvaluateRules(list, text)) {
            std::printf("%-24s evaluation failed (err=0x%X)\n", label, unsigned(rc));
            return;
        }
        classified += !text.empty();
    }
    const double start = bench::seconds();
    double elapsed = 0;
    std::size_t evaluations = 0;
    while (elapsed < 1.0) {
        for (const std::u16string& t : texts) {
            std::u16string text = t;
            (void)rules::EvaluateRules(list, text); // timed, not checked
        }
        evaluations += texts.size();
        elapsed = bench::seconds() - start;
    }
    std::printf("%-24s %zu rules, load %.2f ms, %zu/%zu texts classified, %.0f evaluations/s "
                "(%.2f us each)\n",
                label, list.size(), loadMs, classified, texts.size(), evaluations / elapsed,
                elapsed * 1e6 / evaluations);
}

// A generated rule file in the benchmark data folder, made once.
std::string generatedRuleFile(const char* name, std::size_t count, bool sections)
{
    const std::string path = bench::dataFolder() + "/" + name;
    if (platform::fileSize(path) > 0)
        return path;
    std::string text = sections ? "" : "[Rule]\r\nOperator=regexp\r\nPattern=^x\r\n";
    char line[96];
    for (std::size_t i = 0; i < count; ++i) {
        if (sections)
            std::snprintf(line, sizeof line, "[Section%06zu]\r\nPattern=^x%zu$\r\nSetID=%zu\r\n", i,
                          i, i % 7);
        else
            std::snprintf(line, sizeof line, "Key%06zu=value %zu\r\n", i, i);
        text += line;
    }
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Parsing one INI file, reading every key of it through the parsed file, and loading it as
// a rule file (which reads only the sections whose names fit its 2048-byte list).
void measureProfile(const char* label, const std::string& path)
{
    const double parseStart = bench::seconds();
    const platform::ProfileFile file(path);
    const double parseMs = (bench::seconds() - parseStart) * 1000.0;

    const double readStart = bench::seconds();
    std::size_t reads = 0, bytes = 0;
    for (const std::string& section : file.sectionNames())
        for (const std::string& key : file.keyNames(section)) {
            bytes += file.getString(section, key, "").size();
            ++reads;
        }
    const double readMs = (bench::seconds() - readStart) * 1000.0;

    const double rulesStart = bench::seconds();
    const rules::RuleList list = rules::LoadRules(path);
    const double rulesMs = (bench::seconds() - rulesStart) * 1000.0;
    std::printf("%-24s parse %.1f ms, %zu values read in %.1f ms (%zu bytes), LoadRules %.1f ms "
                "(%zu rules)\n",
                label, parseMs, reads, readMs, bytes, rulesMs, list.size());
}

} // namespace

int main(int argc, char** argv)
{
    platform::startWithLargePages(argv);
    if (argc > 1 && std::string(argv[1]) == "--ini") {
        measureProfile("ini 100000 keys", generatedRuleFile("keys-100000.ini", 100000, false));
        measureProfile("ini 100000 sections",
                       generatedRuleFile("sections-100000.ini", 100000, true));
        return 0;
    }
    const std::string agentRules =
        argc > 1 ? argv[1] : platform::programPath("./res/agent2browser.ini");
    const std::string refererRules =
        argc > 2 ? argv[2] : platform::programPath("./res/referer2searchword.ini");
    Inputs inputs;
    if (argc > 3) {
        if (!readInputs(argv[3], inputs)) {
            std::fprintf(stderr, "bench_rules: cannot read %s\n", argv[3]);
            return 1;
        }
    } else {
        inputs = builtIn();
    }
    measure("agent2browser", agentRules, inputs.agents);
    measure("referer2searchword", refererRules, inputs.referers);
    measureProfile("ini 100000 keys", generatedRuleFile("keys-100000.ini", 100000, false));
    measureProfile("ini 100000 sections", generatedRuleFile("sections-100000.ini", 100000, true));
    return 0;
}
