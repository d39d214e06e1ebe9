#pragma once

// The analysis wizard's settings: section [Analyze] of the caller's configuration file,
// the scratch copy the pages work on (with AppendTo and the chosen files), and the import
// options built from it. No window here.

#include "import/sievra.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

inline constexpr char kAnalyzeSection[] = "Analyze";
inline constexpr char kFilesSection[] = "Files";

inline constexpr unsigned kFlagStandard = 0x1;
inline constexpr unsigned kFlagNewOnly = 0x2; // appending: only what the log has not read
inline constexpr unsigned kFlagWildcard = 0x10000000;
inline constexpr unsigned kFlagSubfolders = 0x20000000;
inline constexpr unsigned kDefaultFlags = kFlagWildcard | kFlagStandard;

inline constexpr char kDefaultSkipExt[] = "jpg, gif, png, swf, css, js";
inline constexpr char kDefaultDirectoryIndex[] = "index.html, index.htm, index.cgi";
inline constexpr char kUserAgentBrowsers[] = "IENN";
inline constexpr char kUserAgentAll[] = "All";
inline constexpr char kDefaultFilePattern[] = "access*.log";

// The documents folder (created if missing) joined with "access*.log".
std::string defaultFileNamePattern();

// A temporary file that lives as long as the object.
class ScratchFile
{
  public:
    ScratchFile();
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    bool ok() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
};

// Fills the scratch file: AppendTo when appendTo names an existing file, then the
// [Analyze] keys of the configuration (each missing or empty one replaced by its
// default) and Flags as decimal. Returns 0 or an error code.
int prepareScratch(const std::string& scratch, const std::string& config,
                   const std::string& appendTo);

// What the pages start from and write back.
struct AnalyzeSettings
{
    std::string fileNamePattern;
    std::string skipExt;
    std::string directoryIndex;
    std::string userAgent;
    unsigned flags = kDefaultFlags;
    std::string appendTo; // "" when a new analysed log is made
    std::vector<std::string> files;
};

AnalyzeSettings readScratch(const std::string& scratch);

// The pages' results at Finish: [Files] replaced by `files`, FileNamePattern, Flags, and,
// unless the standard options were chosen, SkipExt, DirectoryIndex and UserAgent.
int writeFinish(const std::string& scratch, const AnalyzeSettings& settings);

// With the standard options, the defaults replace SkipExt, DirectoryIndex and UserAgent
// in the scratch file (the configuration keeps its own values).
int applyStandardOptions(const std::string& scratch);

// Copies the results of a successful import to the configuration: FileNamePattern, unless
// standard also SkipExt, DirectoryIndex and UserAgent, then Flags.
int commitToConfig(const std::string& scratch, const std::string& config);

// The import options of a scratch file: AppendTo first, then [Files] "0", "1", ... until
// a key is missing; status 200, 302, 304; GET and POST; the word lists; browsers only
// when UserAgent is exactly "IENN". The lists live as long as the object.
class ImportRequest
{
  public:
    ImportRequest(const std::string& scratch, const std::string& output);
    ImportRequest(const ImportRequest&) = delete;
    ImportRequest& operator=(const ImportRequest&) = delete;
    const ImportOptions& options() const { return m_options; }
    const std::vector<std::string>& inputs() const { return m_inputs; }

  private:
    std::string m_output;
    std::vector<std::string> m_inputs;
    std::string m_inputList, m_statusList, m_methodList, m_skipList, m_indexList;
    std::string m_machineRules;
    ImportOptions m_options{};
};

// Creates the new analysed log's file "vx%08x.vxlog" in the temporary folder, counting
// from 1 until the name is free; "" when none could be made.
std::string makeOutputPath();

} // namespace ui
