#include "dialog_env.h"
#include "dialogs/run_wizard.h"
#include "dialogs/wizard_settings.h"
#include "import/new_only.h"
#include "import/vxlog_reader.h"
#include "platform/files.h"
#include "platform/profile.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using platform::getProfileString;

std::vector<std::string> listItems(const char* list)
{
    std::vector<std::string> items;
    for (const char* p = list; p && *p; p += std::strlen(p) + 1)
        items.emplace_back(p);
    return items;
}

class WizardSettings : public vxtest::DialogTest
{
  protected:
    std::string config() const { return file("conf.ini"); }
    std::string scratch() const { return file("scratch.ini"); }
    void configure(const char* key, const char* value)
    {
        ASSERT_EQ(platform::writeProfileString(config(), "Analyze", key, value), 0);
    }
    std::string scratchValue(const char* key) const
    {
        return getProfileString(scratch(), "Analyze", key, "<missing>");
    }
};

TEST_F(WizardSettings, MissingOrEmptyKeysTakeTheirDefaults)
{
    configure("SkipExt", "");
    configure("UserAgent", "All");
    ASSERT_EQ(ui::prepareScratch(scratch(), config(), ""), 0);
    const std::string documents = platform::documentsFolder();
    EXPECT_EQ(scratchValue("FileNamePattern"), documents + "/access*.log");
    EXPECT_TRUE(platform::isDirectory(documents)); // made for the user
    EXPECT_EQ(scratchValue("SkipExt"), "jpg, gif, png, swf, css, js");
    EXPECT_EQ(scratchValue("DirectoryIndex"), "index.html, index.htm, index.cgi");
    EXPECT_EQ(scratchValue("UserAgent"), "All");
    EXPECT_EQ(scratchValue("Flags"), "268435457");
    EXPECT_EQ(scratchValue("AppendTo"), "<missing>");
}

TEST_F(WizardSettings, AppendToIsWrittenOnlyForAnExistingFile)
{
    const std::string log = file("open.vxlog");
    for (const bool exists : {false, true}) {
        if (exists)
            std::ofstream(log) << "vxf2";
        std::remove(scratch().c_str());
        ui::prepareScratch(scratch(), config(), log);
        EXPECT_EQ(scratchValue("AppendTo"), exists ? log : "<missing>");
    }
}

TEST_F(WizardSettings, TheConfigurationKeepsItsOwnValuesUnderStandardOptions)
{
    configure("SkipExt", "html");
    configure("DirectoryIndex", "default.htm");
    configure("UserAgent", "All");
    for (const unsigned flags : {ui::kFlagWildcard | ui::kFlagStandard, ui::kFlagWildcard}) {
        ui::prepareScratch(scratch(), config(), "");
        ui::AnalyzeSettings s;
        s.fileNamePattern = "/srv/logs/access*.log";
        s.flags = flags;
        s.skipExt = "gif";
        s.directoryIndex = "index.php";
        s.userAgent = "IENN";
        s.files = {"/srv/logs/access.log", "/srv/logs/access.1.log"};
        ASSERT_EQ(ui::writeFinish(scratch(), s), 0);
        if (flags & ui::kFlagStandard)
            ui::applyStandardOptions(scratch());
        ASSERT_EQ(ui::commitToConfig(scratch(), config()), 0);

        const bool standard = flags & ui::kFlagStandard;
        const auto conf = [this](const char* key) {
            return getProfileString(config(), "Analyze", key, "<missing>");
        };
        EXPECT_EQ(conf("FileNamePattern"), "/srv/logs/access*.log");
        EXPECT_EQ(conf("Flags"), std::to_string(flags));
        EXPECT_EQ(conf("SkipExt"), standard ? "html" : "gif");
        EXPECT_EQ(conf("DirectoryIndex"), standard ? "default.htm" : "index.php");
        EXPECT_EQ(conf("UserAgent"), standard ? "All" : "IENN");
        // The chosen files and AppendTo never reach the configuration.
        EXPECT_EQ(getProfileString(config(), "Files", "0", "<missing>"), "<missing>");
        EXPECT_EQ(ui::readScratch(scratch()).files, s.files);
        // With standard options the import uses the defaults.
        EXPECT_EQ(scratchValue("SkipExt"), standard ? "jpg, gif, png, swf, css, js" : "gif");
    }
}

TEST_F(WizardSettings, ImportOptionsFollowTheScratchFile)
{
    const std::string open = file("open.vxlog");
    std::ofstream(open) << "vxf2";
    const struct
    {
        const char* userAgent;
        bool browsersOnly;
    } cases[] = {{"IENN", true}, {"All", false}, {"ienn", false}};
    for (const auto& c : cases) {
        std::remove(scratch().c_str());
        ui::prepareScratch(scratch(), config(), open);
        ui::AnalyzeSettings s = ui::readScratch(scratch());
        s.flags = ui::kFlagWildcard;
        s.skipExt = "jpg,gif  png";
        s.directoryIndex = "index.html";
        s.userAgent = c.userAgent;
        s.files = {"/l/a.log", "/l/b.log.gz"};
        ui::writeFinish(scratch(), s);

        const ui::ImportRequest request(scratch(), "/tmp/out.vxlog");
        const ImportOptions& o = request.options();
        EXPECT_EQ(o.reserved, 0u);
        EXPECT_EQ(o.size, sizeof(ImportOptions));
        EXPECT_EQ(o.flags, (LA_F_QUERY | LA_F_REFERER | LA_F_REFQUERY) |
                               (c.browsersOnly ? LA_F_BROWSERS_ONLY : 0u))
            << c.userAgent;
        EXPECT_STREQ(o.output, "/tmp/out.vxlog");
        EXPECT_EQ(listItems(o.inputs), (std::vector<std::string>{open, "/l/a.log", "/l/b.log.gz"}));
        EXPECT_EQ(listItems(o.statusCodes), (std::vector<std::string>{"200", "302", "304"}));
        EXPECT_EQ(listItems(o.methods), (std::vector<std::string>{"GET", "POST"}));
        EXPECT_EQ(listItems(o.skipExts), (std::vector<std::string>{"jpg", "gif", "png"}));
        EXPECT_EQ(listItems(o.dirIndexes), (std::vector<std::string>{"index.html"}));
        EXPECT_EQ(o.windowStart, 0u);
        EXPECT_EQ(o.windowEnd, 0u);
        EXPECT_EQ(o.truncatedFile, nullptr);
        EXPECT_EQ(o.excludedFile, nullptr);
    }
}

TEST_F(WizardSettings, NewAnalysedLogsTakeTheFirstFreeNumber)
{
    const std::string first = ui::makeOutputPath();
    const std::string second = ui::makeOutputPath();
    EXPECT_EQ(first, tmp() + "/vx00000001.vxlog");
    EXPECT_EQ(second, tmp() + "/vx00000002.vxlog");
    EXPECT_TRUE(platform::fileExists(first));
    std::remove(first.c_str());
    EXPECT_EQ(ui::makeOutputPath(), first);
}

// The append page's "only what the log has not read": a file given again adds only its new
// lines; without the choice it counts twice. The saved state goes with the new log.
TEST_F(WizardSettings, AppendingOnlyWhatTheLogHasNotRead)
{
    std::string lines;
    for (int i = 0; i < 40; ++i) {
        char line[256];
        std::snprintf(line, sizeof line,
                      "10.0.0.%d - - [10/Oct/2026:10:%02d:00 +0900] \"GET /p%d.html HTTP/1.1\" 200 "
                      "10 \"-\" \"Mozilla/5.0 (Windows NT 10.0) Chrome/120.0\"\n",
                      i % 7, i, i);
        lines += line;
    }
    const std::string log = file("access.log");
    std::ofstream(log, std::ios::binary) << lines.substr(0, lines.size() / 2);
    const auto run = [&](const std::string& appendTo, bool newOnly, const std::string& out) {
        std::remove(scratch().c_str());
        EXPECT_EQ(ui::prepareScratch(scratch(), config(), appendTo), 0);
        ui::AnalyzeSettings s = ui::readScratch(scratch());
        s.files = {log};
        s.flags = ui::kFlagStandard | (newOnly ? ui::kFlagNewOnly : 0u);
        EXPECT_EQ(ui::writeFinish(scratch(), s), 0);
        EXPECT_EQ(ui::applyStandardOptions(scratch()), 0);
        EXPECT_EQ(ui::importLogs(nullptr, scratch(), file(out)), 0) << out;
        sievra::AnalysedLogFile read;
        EXPECT_EQ(read.open(file(out)), 0) << out;
        return read.recordCount();
    };
    ASSERT_EQ(run("", false, "first.vxlog"), 20u);
    EXPECT_EQ(run(file("first.vxlog"), true, "again.vxlog"), 20u); // no memory: the overlap
    std::ofstream(log, std::ios::binary | std::ios::app) << lines.substr(lines.size() / 2);
    EXPECT_EQ(run(file("again.vxlog"), true, "grown.vxlog"), 40u);
    EXPECT_TRUE(sievra::loadReadState(file("grown.vxlog")).trusted);
    EXPECT_EQ(run(file("grown.vxlog"), false, "twice.vxlog"), 80u);
}

} // namespace
