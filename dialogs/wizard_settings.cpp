#include "dialogs/wizard_settings.h"

#include "dialogs/formats.h"
#include "import/import_options.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/settings.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace ui {
namespace {

int writeKey(const std::string& file, const char* section, const char* key,
             const std::string& value)
{
    return platform::writeProfileString(file, section, key, value.c_str());
}

std::string valueOrDefault(const platform::ProfileFile& file, const char* key, const char* def)
{
    std::string value = file.getString(kAnalyzeSection, key, "");
    return value.empty() ? std::string(def) : value;
}

} // namespace

std::string defaultFileNamePattern()
{
    const std::string documents = platform::documentsFolder();
    std::error_code ec;
    std::filesystem::create_directories(documents, ec);
    return platform::joinPath(documents, kDefaultFilePattern);
}

ScratchFile::ScratchFile() : m_path(platform::makeTempFile(platform::tempFolder(), "wiz")) {}

ScratchFile::~ScratchFile()
{
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

int prepareScratch(const std::string& scratch, const std::string& config,
                   const std::string& appendTo)
{
    int rc = 0;
    const auto keep = [&rc](int r) {
        if (r && !rc)
            rc = r;
    };
    if (!appendTo.empty() && platform::fileExists(appendTo) && !platform::isDirectory(appendTo))
        keep(writeKey(scratch, kAnalyzeSection, "AppendTo", appendTo));
    const platform::ProfileFile conf(config);
    std::string pattern = conf.getString(kAnalyzeSection, "FileNamePattern", "");
    if (pattern.empty())
        pattern = defaultFileNamePattern();
    keep(writeKey(scratch, kAnalyzeSection, "FileNamePattern", pattern));
    keep(writeKey(scratch, kAnalyzeSection, "SkipExt",
                  valueOrDefault(conf, "SkipExt", kDefaultSkipExt)));
    keep(writeKey(scratch, kAnalyzeSection, "DirectoryIndex",
                  valueOrDefault(conf, "DirectoryIndex", kDefaultDirectoryIndex)));
    keep(writeKey(scratch, kAnalyzeSection, "UserAgent",
                  valueOrDefault(conf, "UserAgent", kUserAgentBrowsers)));
    const unsigned flags = conf.getInt(kAnalyzeSection, "Flags", static_cast<int>(kDefaultFlags));
    keep(writeKey(scratch, kAnalyzeSection, "Flags", std::to_string(flags)));
    return rc;
}

AnalyzeSettings readScratch(const std::string& scratch)
{
    const platform::ProfileFile file(scratch);
    AnalyzeSettings s;
    s.fileNamePattern = file.getString(kAnalyzeSection, "FileNamePattern", "");
    s.skipExt = file.getString(kAnalyzeSection, "SkipExt", "");
    s.directoryIndex = file.getString(kAnalyzeSection, "DirectoryIndex", "");
    s.userAgent = file.getString(kAnalyzeSection, "UserAgent", "");
    s.flags = file.getInt(kAnalyzeSection, "Flags", static_cast<int>(kDefaultFlags));
    s.appendTo = file.getString(kAnalyzeSection, "AppendTo", "");
    for (int i = 0;; ++i) {
        const std::string key = std::to_string(i);
        const std::string path = file.getString(kFilesSection, key, "\x01");
        if (path == "\x01")
            break;
        s.files.push_back(path);
    }
    return s;
}

int writeFinish(const std::string& scratch, const AnalyzeSettings& settings)
{
    int rc = platform::writeProfileString(scratch, kFilesSection, nullptr, nullptr);
    const auto keep = [&rc](int r) {
        if (r && !rc)
            rc = r;
    };
    keep(writeKey(scratch, kAnalyzeSection, "FileNamePattern", settings.fileNamePattern));
    for (std::size_t i = 0; i < settings.files.size(); ++i)
        keep(writeKey(scratch, kFilesSection, std::to_string(i).c_str(), settings.files[i]));
    if (!(settings.flags & kFlagStandard)) {
        keep(writeKey(scratch, kAnalyzeSection, "SkipExt", settings.skipExt));
        keep(writeKey(scratch, kAnalyzeSection, "DirectoryIndex", settings.directoryIndex));
        keep(writeKey(scratch, kAnalyzeSection, "UserAgent", settings.userAgent));
    }
    keep(writeKey(scratch, kAnalyzeSection, "Flags", std::to_string(settings.flags)));
    return rc;
}

int applyStandardOptions(const std::string& scratch)
{
    int rc = writeKey(scratch, kAnalyzeSection, "SkipExt", kDefaultSkipExt);
    if (const int r = writeKey(scratch, kAnalyzeSection, "DirectoryIndex", kDefaultDirectoryIndex))
        rc = rc ? rc : r;
    if (const int r = writeKey(scratch, kAnalyzeSection, "UserAgent", kUserAgentBrowsers))
        rc = rc ? rc : r;
    return rc;
}

int commitToConfig(const std::string& scratch, const std::string& config)
{
    const AnalyzeSettings s = readScratch(scratch);
    int rc = writeKey(config, kAnalyzeSection, "FileNamePattern", s.fileNamePattern);
    const auto keep = [&rc](int r) {
        if (r && !rc)
            rc = r;
    };
    if (!(s.flags & kFlagStandard)) {
        keep(writeKey(config, kAnalyzeSection, "SkipExt", s.skipExt));
        keep(writeKey(config, kAnalyzeSection, "DirectoryIndex", s.directoryIndex));
        keep(writeKey(config, kAnalyzeSection, "UserAgent", s.userAgent));
    }
    keep(writeKey(config, kAnalyzeSection, "Flags", std::to_string(s.flags)));
    return rc;
}

ImportRequest::ImportRequest(const std::string& scratch, const std::string& output)
    : m_output(output)
{
    const AnalyzeSettings s = readScratch(scratch);
    if (!s.appendTo.empty() && platform::fileExists(s.appendTo))
        m_inputs.push_back(s.appendTo);
    for (const auto& file : s.files)
        m_inputs.push_back(file);
    m_inputList = sievra::makeList(m_inputs);
    m_statusList = sievra::makeList({"200", "302", "304"});
    m_methodList = sievra::makeList({"GET", "POST"});
    m_skipList = sievra::makeList(splitWords(s.skipExt));
    m_indexList = sievra::makeList(splitWords(s.directoryIndex));

    m_options.reserved = 0;
    m_options.size = sizeof(ImportOptions);
    m_options.flags = LA_F_QUERY | LA_F_REFERER | LA_F_REFQUERY;
    if (s.userAgent == kUserAgentBrowsers)
        m_options.flags |= LA_F_BROWSERS_ONLY;
    m_options.output = m_output.c_str();
    m_options.inputs = m_inputList.c_str();
    m_options.statusCodes = m_statusList.c_str();
    m_options.methods = m_methodList.c_str();
    m_options.skipExts = m_skipList.c_str();
    m_options.dirIndexes = m_indexList.c_str();
    m_options.windowStart = 0;
    m_options.windowEnd = 0;
    m_options.truncatedFile = nullptr;
    m_options.excludedFile = nullptr;
    m_machineRules = platform::resFolder() + "robots.ini";
    m_options.machineRules = m_machineRules.c_str();
}

std::string makeOutputPath()
{
    const std::string folder = platform::tempFolder();
    for (unsigned counter = 1; counter != 0; ++counter) {
        char name[32];
        std::snprintf(name, sizeof name, "vx%08x.vxlog", counter);
        const std::string path = platform::joinPath(folder, name);
        const int rc = platform::createNewFile(path);
        if (rc == platform::kOk)
            return path;
        if (rc != platform::kErrFileExists)
            return {};
    }
    return {};
}

} // namespace ui
