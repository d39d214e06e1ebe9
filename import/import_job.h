#pragma once

// One import: reads its input files in order, classifies every line, streams records to
// the output behind a provisional header and, when finished, writes the dictionary and
// the fragments and patches the records into a complete analysed log.

#include "import/classifier.h"
#include "import/sievra.h"
#include "import/vxlog_format.h"
#include "platform/files.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sievra {

class LogReader;

class ImportJob
{
  public:
    ImportJob() = default;
    ~ImportJob();
    ImportJob(const ImportJob&) = delete;
    ImportJob& operator=(const ImportJob&) = delete;

    [[nodiscard]] int create(const ImportOptions& options);
    [[nodiscard]] int run();         // the whole import on the calling thread
    [[nodiscard]] int runOnce();     // run(), refused (87) when an import was already started
    [[nodiscard]] int startWorker(); // refused (87) when an import was already started
    [[nodiscard]] int importRecord(const ImportRecordIn& record);
    [[nodiscard]] int progress(std::uint64_t* done, std::uint64_t* total) const;
    [[nodiscard]] int finish();
    void stop(); // clears the running flag and waits for the worker

    int result() const { return m_result.load(); }
    // The file a failure concerns (an input that could not be read, or the output), ""
    // when it concerns none.
    std::string errorFile() const;
    // Peak size of the in-memory tables, for the benchmark.
    std::size_t tableBytes() const { return m_data.bytes(); }

  private:
    void setResult(int rc);
    // The first failure of the job, with the file it concerns.
    void fail(int rc, const std::string& file);
    [[nodiscard]] int openOutput(const std::string& output);
    [[nodiscard]] int commitOutput();
    void discardOutput();
    void importFile(const std::string& path);
    struct Batch;
    class Parsers;
    // The parsing half of a batch of lines (on any thread, with its own classifier), and
    // the ordered half (on the job's thread, in line order).
    void parseBatch(Batch& batch, Classifier& classifier) const;
    void poolBatch(Batch& batch, Classifier& classifier);
    // poolBatch's, kept for reuse.
    std::vector<std::uint32_t> m_batchIds[PreparedLine::kTexts];
    struct BatchFragment
    {
        Fragment9 fragment;
        std::uint32_t hash;
        std::uint32_t line;
    };
    std::vector<BatchFragment> m_batchFragments;
    void excludeLongLine(LogReader& reader, bool sides);
    [[nodiscard]] int appendAnalysedLog(const std::string& path, std::uint64_t base);
    [[nodiscard]] int flush();
    void writeSideLine(std::string& buffer, const char* begin, const char* end);
    void flushSideFiles();
    [[nodiscard]] int finishFile();

    // Options.
    ClassifyOptions m_options;
    std::unique_ptr<MachineAgents> m_machines;
    unsigned m_jobs = 1;
    std::uint32_t m_flags = 0;
    std::uint32_t m_windowStart = 0;
    std::uint32_t m_windowEnd = 0;
    std::deque<std::string> m_queue;
    std::atomic<std::uint32_t> m_queued{0};

    // Files. The analysed log is written under a temporary name beside the output and
    // takes the output's name only when it is complete.
    std::string m_outputPath;
    std::string m_tempPath;
    bool m_committed = false;
    platform::File m_output;
    std::string m_truncatedPath;
    std::string m_excludedPath;
    platform::File m_truncatedFile;
    platform::File m_excludedFile;
    std::string m_truncatedBuffer;
    std::string m_excludedBuffer;

    // Collected data.
    ImportData m_data;
    std::uint64_t m_recordsWritten = 0;
    std::uint32_t m_lines = 0;
    std::uint32_t m_badLines = 0; // unparseable or too long: excluded whole
    Header m_header;
    bool m_finished = false;
    std::string m_scratch;

    // Shared with the caller's thread.
    std::atomic<std::uint64_t> m_done{0};
    std::atomic<std::uint64_t> m_total{0};
    std::atomic<int> m_result{0};
    mutable std::mutex m_errorLock;
    std::string m_errorFile;
    std::atomic<bool> m_running{true};
    std::atomic<bool> m_started{false};
    std::thread m_worker;
};

// Trace lines of the library go to standard output.
void libraryTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace sievra
