#pragma once

// The store of one opened analysed log: linked tables whose texts all live in one
// dictionary. After a load every text exists once in `Dic`, so equal texts have equal
// pointers and pointer order is dictionary order; panes compare and sort by pointer.

#include "platform/big_alloc.h"
#include "store/text_pool.h"
#include "store/visitor_kind.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace store {

struct HostEntry
{
    std::uint32_t address; // IPv4 in host byte order; 0 when the host came as a name
    const char* name;      // null: not known yet; "": looked up, has no name
};

struct ReqEntry
{
    const char* text;  // request path
    const char* group; // URL-group name, or the text itself
};

struct RefEntry
{
    const char* text; // referer without query; own-site referers become site paths
    const char* group;
    const char* engine; // search engine, null when none
};

struct RefQEntry
{
    const char* text; // referer query
    const char* word; // search word, null when none
    std::uint32_t rank;
};

struct AgntEntry
{
    const char* text;
    const char* os;
    const char* browser;
};

struct Fragment
{
    ReqEntry* req;
    const char* query;
    RefEntry* ref;
    RefQEntry* refq;
    AgntEntry* agnt;
};

struct LogRecord
{
    std::uint32_t time; // seconds since 1970 in local standard time
    HostEntry* host;
    Fragment* fragment;
};

struct VisitorEntry
{
    LogRecord* first;
    std::uint32_t count;
    std::uint32_t mask; // one bit per stage of the filter chain
};

// The step text of the load ("ソート中", ...): the progress dialog's label, a callback in
// the command-line tool and in tests. UTF-8. Called from the load's worker thread.
class StepText
{
  public:
    virtual ~StepText() = default;
    virtual void setText(const char* utf8) = 0;
};

class ReportGenerator; // report_generator.h

// The file or folder a failed load could not read or write, for the messages that name it
// (messages.h). Paths are native bytes.
struct LoadTrouble
{
    enum class Kind {
        None,        // the load did not fail on a file (or did not fail)
        AnalysedLog, // the analysed log cannot be read, is damaged or holds too little
        ReadFile,    // a rule file or the URL-group file cannot be read or evaluated
        WriteFile,   // a file of the data folder cannot be written
        WriteFolder, // nothing can be written into the data folder
    };
    Kind kind = Kind::None;
    std::string path;
};

// The shared progress of a load, 0..1; a negative value means the user cancelled.
using Progress = std::atomic<float>;

// Adds share to the progress unless the load was cancelled. The dialog's thread may store
// its cancel (-1) at any moment; the exchange never writes over it.
inline void addProgress(Progress& progress, float share)
{
    float now = progress.load(std::memory_order_relaxed);
    while (now >= 0 && !progress.compare_exchange_weak(now, now + share)) {
        // now holds what the other thread stored meanwhile: a cancel ends the loop.
    }
}

class LogContainer;

// The records and the fragments of a large log take hundreds of megabytes: huge pages.
using Records = std::vector<LogRecord, platform::BigAllocator<LogRecord>>;

// The record index of log into recFrg and stay (see LogContainer::RecFrg); returns the
// number of records outside the fragment table.
using RecordFragments = std::vector<std::uint32_t, platform::BigAllocator<std::uint32_t>>;
std::size_t indexRecords(const LogContainer& log, RecordFragments& recFrg,
                         std::vector<std::uint32_t>& stay);

class LogContainer
{
  public:
    LogContainer();
    virtual ~LogContainer();
    LogContainer(const LogContainer&) = delete;
    LogContainer& operator=(const LogContainer&) = delete;

    // Reads the analysed log into the tables. 0, or 100..103 for a short file, 11 for a
    // file that is not an analysed log (or whose references leave their sections), the
    // system error of a failed open or read, or kErrCancelled when the progress turned
    // negative.
    [[nodiscard]] virtual int BaseLoad(const std::string& path, Progress& progress);
    // The load steps 0..17 (reload: 13..17). 0, the code of the first failing step, or
    // kErrCancelled (1223) when the progress was negative at the end: the tables of a
    // cancelled load are not to be used.
    [[nodiscard]] virtual int LoadPipeline(StepText* text, Progress& progress, bool reload,
                                           const std::string& reportFolder);

    std::vector<HostEntry> Host;
    Records Rec2;
    std::vector<ReqEntry> Req;
    std::vector<RefEntry> Ref;
    std::vector<RefQEntry> RefQ;
    std::vector<AgntEntry> Agnt;
    std::vector<Fragment> Frg2;
    std::unique_ptr<char[]> Dic;
    std::size_t DicSize = 0;
    std::string LocalSite;
    std::string logPath;
    bool temporary = false;
    std::vector<VisitorEntry> Visitors;
    std::set<const char*> GroupNames;
    TextPool HostNamePool;
    // The class of each visitor (parallel to Visitors) among VisitorClasses, whose first
    // entry is the person; their texts are in ClassPool, outside the dictionary.
    std::vector<std::uint16_t> VisitorClassOf;
    std::vector<VisitorClass> VisitorClasses;
    TextPool ClassPool;
    // During the load, until the fragments are merged: 1 for a fragment of a HEAD request.
    std::vector<std::uint8_t> FrgHead;
    std::vector<std::string> LocalSitePrefixes;
    // For the loops over every page view, made once the fragments are merged: per record of
    // Rec2 the index of its fragment in Frg2 (kNoFragment for one outside the table), and
    // per visitor the seconds from its first page view to its last. Reading 4 bytes a
    // record instead of the record cuts what such a loop moves through memory by six.
    static constexpr std::uint32_t kNoFragment = 0xFFFFFFFFu;
    RecordFragments RecFrg;
    std::vector<std::uint32_t> VisitorStay;
    std::size_t RecOutside = 0; // records of RecFrg outside the table
    // Makes them anew from Rec2, Frg2 and Visitors.
    void IndexRecords();
    // Whether they were made for the tables as they stand (by size: the load remakes them
    // whenever it changes the tables; tables filled by hand have none).
    bool RecordsIndexed() const
    {
        return RecFrg.size() == Rec2.size() && VisitorStay.size() == Visitors.size();
    }

    // Milliseconds of each pipeline step of the last load (-1: did not run).
    int stepMillis[18];
    // Whether the load disables the duplicate lines of the host-name cache files (the main
    // program's load does; the command line's read-only commands leave the files alone).
    bool tidyHostCache = true;
    // What the last load failed on (Kind::None after a load that succeeded).
    LoadTrouble trouble;
};

} // namespace store
