#include "import/import_job.h"

#include "import/import_paths.h"
#include "import/readers.h"
#include "import/vxlog_check.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/parallel.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace sievra {
namespace {

constexpr std::size_t kSideBufferMax = 1 << 20;
constexpr std::size_t kPendingMax = 1024; // in-memory records before a flush
constexpr std::uint64_t kRecordsPerView = platform::kAllocationGranularity;
// Lines go to the parsing threads in batches of at least this many bytes: large enough
// that handing one over costs nothing, small enough that a stop is seen within
// milliseconds.
constexpr std::size_t kBatchBytes = 1 << 19;
constexpr std::size_t kPendingFlushed = 1 << 16; // pooled records written out

// Items of a list: NUL-terminated strings ended by an empty one; null is empty.
std::vector<std::string> listItems(const char* list)
{
    std::vector<std::string> items;
    if (!list)
        return items;
    for (const char* p = list; *p; p += std::strlen(p) + 1)
        items.emplace_back(p);
    return items;
}

std::mutex g_traceLock;

} // namespace

void libraryTrace(const char* format, ...)
{
    std::lock_guard guard(g_traceLock);
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

ImportJob::~ImportJob()
{
    stop();
    discardOutput();
}

void ImportJob::setResult(int rc)
{
    fail(rc, std::string());
}

void ImportJob::fail(int rc, const std::string& file)
{
    if (!rc)
        return;
    std::lock_guard guard(m_errorLock);
    int expected = 0;
    if (m_result.compare_exchange_strong(expected, rc))
        m_errorFile = file;
}

std::string ImportJob::errorFile() const
{
    std::lock_guard guard(m_errorLock);
    return m_errorFile;
}

int ImportJob::create(const ImportOptions& options)
{
    m_flags = options.flags & ~(LA_F_NO_SIDE_FILES | LA_F_STORED | LA_F_TRUNCATED);
    for (auto& name : listItems(options.inputs)) {
        // Sizes from the directory entry: opening a FIFO here would block, or take data
        // from its writer.
        m_total += static_cast<std::uint64_t>(std::max<std::int64_t>(0, platform::fileSize(name)));
        m_queue.push_back(std::move(name));
    }
    m_queued = static_cast<std::uint32_t>(m_queue.size());
    if (m_queue.empty())
        setResult(platform::kErrInvalidParameter);

    const std::string output = options.output ? options.output : "";
    const std::string truncated = options.truncatedFile ? options.truncatedFile : "";
    const std::string excluded = options.excludedFile ? options.excludedFile : "";
    if (result() == 0) {
        if (output.empty())
            setResult(platform::kErrInvalidParameter);
        // Nothing is opened for writing before the paths are known to be safe.
        const std::vector<std::string> inputs(m_queue.begin(), m_queue.end());
        const PathProblem problem = checkImportPaths(output, inputs, truncated, excluded);
        fail(problem.code, problem.file);
    }
    if (result() == 0) {
        // A side file asked for and not made would quietly lose the lines meant for it.
        m_truncatedPath = truncated;
        m_excludedPath = excluded;
        if (!truncated.empty())
            fail(m_truncatedFile.open(truncated, platform::File::Mode::CreateAlways), truncated);
        if (!excluded.empty())
            fail(m_excludedFile.open(excluded, platform::File::Mode::CreateAlways), excluded);
        if (!m_truncatedFile.isOpen() && !m_excludedFile.isOpen())
            m_flags |= LA_F_NO_SIDE_FILES;
    }
    if (result() == 0) {
        if (const int rc = openOutput(output))
            fail(rc, output);
        else if (const int wrc = m_output.writeAt(0, m_header.bytes, kHeaderSize))
            fail(wrc, output);
        libraryTrace("off=%d\r\n", static_cast<int>(kHeaderSize));
    }

    m_options = classifyOptionsOf(options, m_flags, m_machines);
    // Older callers pass a shorter record without the number of parsing threads.
    const bool hasJobs = options.size >= offsetof(ImportOptions, jobs) + sizeof options.jobs;
    m_jobs = hasJobs && options.jobs ? std::min(options.jobs, 64u) : platform::coreCount();
    m_windowStart = options.windowStart;
    m_windowEnd = options.windowEnd;
    return result();
}

int ImportJob::openOutput(const std::string& output)
{
    // An existing output is replaced where it lies, also when it is reached through a
    // symbolic link.
    m_outputPath = output;
    struct stat st
    {
    };
    if (::stat(output.c_str(), &st) == 0) {
        if (char* real = ::realpath(output.c_str(), nullptr)) {
            m_outputPath = real;
            std::free(real);
        }
    }
    const std::string folder = platform::folderOf(m_outputPath);
    const auto slash = m_outputPath.rfind('/');
    const std::string name =
        slash == std::string::npos ? m_outputPath : m_outputPath.substr(slash + 1);
    m_tempPath = platform::makeTempFile(folder, "." + name + ".");
    if (m_tempPath.empty())
        return platform::lastError();
    if (const int rc = m_output.open(m_tempPath, platform::File::Mode::ReadWrite)) {
        discardOutput();
        return rc;
    }
    return 0;
}

int ImportJob::commitOutput()
{
    // Keep the permissions of the file being replaced.
    struct stat st
    {
    };
    if (::stat(m_outputPath.c_str(), &st) == 0)
        ::fchmod(m_output.fd(), st.st_mode & 07777);
    if (::fsync(m_output.fd()) != 0)
        return platform::lastError();
    if (::rename(m_tempPath.c_str(), m_outputPath.c_str()) != 0)
        return platform::lastError();
    m_committed = true;
    return 0;
}

void ImportJob::discardOutput()
{
    // Only what this job created goes: the temporary file, never the output.
    if (!m_committed && !m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

int ImportJob::flush()
{
    if (m_data.pending.empty())
        return 0;
    const std::size_t count = m_data.pending.size();
    const int rc = m_output.isOpen()
                       ? m_output.writeAt(kHeaderSize + m_recordsWritten * kRecordSize,
                                          m_data.pending.data(), count * kRecordSize)
                       : platform::kErrInvalidParameter;
    m_data.pending.clear();
    if (rc) {
        fail(rc, m_outputPath);
        return rc;
    }
    m_recordsWritten += count;
    flushSideFiles();
    return 0;
}

void ImportJob::writeSideLine(std::string& buffer, const char* begin, const char* end)
{
    buffer.append(begin, static_cast<std::size_t>(end - begin));
    if (buffer.size() > kSideBufferMax)
        flushSideFiles();
}

void ImportJob::flushSideFiles()
{
    // A side file that misses lines would be taken for complete: a failed write ends the
    // import like one of the output.
    if (!m_excludedBuffer.empty()) {
        if (m_excludedFile.isOpen())
            fail(m_excludedFile.append(m_excludedBuffer.data(), m_excludedBuffer.size()),
                 m_excludedPath);
        m_excludedBuffer.clear();
    }
    if (!m_truncatedBuffer.empty()) {
        if (m_truncatedFile.isOpen())
            fail(m_truncatedFile.append(m_truncatedBuffer.data(), m_truncatedBuffer.size()),
                 m_truncatedPath);
        m_truncatedBuffer.clear();
    }
}

void ImportJob::excludeLongLine(LogReader& reader, bool sides)
{
    // The line is longer than any reader keeps in memory: it goes to the excluded-lines
    // file piece by piece, and the import resumes after its line feed.
    const bool write = sides && m_excludedFile.isOpen();
    for (;;) {
        const char* p = reader.current();
        const char* limit = reader.limit();
        const void* lf =
            p < limit ? std::memchr(p, '\n', static_cast<std::size_t>(limit - p)) : nullptr;
        const char* end = lf ? static_cast<const char*>(lf) + 1 : limit;
        if (write)
            writeSideLine(m_excludedBuffer, p, end);
        reader.setCurrent(end);
        bool newWindow = false;
        if (lf || reader.advance(newWindow))
            return;
        if (newWindow && (flush() || result()))
            return;
    }
}

// A run of lines on its way through the import: copied out of the reader's buffer (which
// slides on), parsed and prepared by a parsing thread, then pooled by the job's thread in
// the order the batches were made, so that the analysed log is the same for any number of
// parsing threads.
struct ImportJob::Batch
{
    enum State : std::uint8_t { kOutside, kBad, kExcluded, kStored };
    std::string text;                // the lines, each with its line feed where it had one
    std::vector<std::uint32_t> ends; // where each line ends in text (found by the parser)
    std::vector<std::uint8_t> state;
    std::vector<std::uint8_t> truncated;
    std::vector<PreparedLine> prepared;
    BatchTexts texts;           // the texts of the stored lines, each once
    std::uint32_t flags = 0;    // the job's flags, without the state of a line
    std::uint64_t position = 0; // the reader's position after the last line
    bool parsed = false;        // guarded by the parsers' lock

    void clear()
    {
        text.clear();
        parsed = false;
    }
};

// The parsing threads of one file: each takes the next batch made, with a classifier (and
// machine rules) of its own. They run at the lowest priority, like the job's thread.
class ImportJob::Parsers
{
  public:
    Parsers(const ImportJob& job, unsigned threads) : m_job(job)
    {
        for (unsigned i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { work(); });
    }
    ~Parsers()
    {
        {
            std::lock_guard guard(m_lock);
            m_stopping = true;
        }
        m_wake.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }
    Parsers(const Parsers&) = delete;
    Parsers& operator=(const Parsers&) = delete;

    void submit(Batch* batch)
    {
        {
            std::lock_guard guard(m_lock);
            m_queue.push_back(batch);
        }
        m_wake.notify_one();
    }
    void wait(Batch* batch)
    {
        std::unique_lock lock(m_lock);
        m_parsed.wait(lock, [&] { return batch->parsed; });
    }

  private:
    void work()
    {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
        // The machine rules are the job's, shared: each classifier keeps its verdicts per
        // agent, so that they are asked once per agent and thread.
        Classifier classifier(m_job.m_options);
        for (;;) {
            Batch* batch = nullptr;
            {
                std::unique_lock lock(m_lock);
                m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                batch = m_queue.front();
                m_queue.pop_front();
            }
            m_job.parseBatch(*batch, classifier);
            {
                std::lock_guard guard(m_lock);
                batch->parsed = true;
            }
            m_parsed.notify_all();
        }
    }

    const ImportJob& m_job;
    std::mutex m_lock;
    std::condition_variable m_wake, m_parsed;
    std::deque<Batch*> m_queue;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

void ImportJob::parseBatch(Batch& batch, Classifier& classifier) const
{
    const bool window = m_windowStart != 0 || m_windowEnd != 0;
    // Every line stands alone: it ends at its line feed, and nothing of the next line is
    // ever taken for one of its fields. One longer than any reader keeps whole is excluded
    // (as one cut off by the end of the buffer would be).
    batch.ends.clear();
    for (const char *p = batch.text.data(), *end = p + batch.text.size(); p < end;) {
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        p = lf ? static_cast<const char*>(lf) + 1 : end;
        batch.ends.push_back(static_cast<std::uint32_t>(p - batch.text.data()));
    }
    const std::size_t n = batch.ends.size();
    batch.state.resize(n);
    batch.truncated.resize(n);
    if (batch.prepared.size() < n)
        batch.prepared.resize(n);
    batch.texts.clear();
    // Lines with a NUL byte are rare: looked for line by line only in a batch that has one.
    const bool nul = std::memchr(batch.text.data(), '\0', batch.text.size()) != nullptr;
    std::uint32_t begin = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char* line = batch.text.data() + begin;
        const char* textEnd = batch.text.data() + batch.ends[i];
        const std::size_t length = batch.ends[i] - begin; // with the line feed
        begin = batch.ends[i];
        if (textEnd > line && textEnd[-1] == '\n')
            --textEnd;
        if (textEnd > line && textEnd[-1] == '\r')
            --textEnd;
        batch.truncated[i] = 0;
        if (length > kLineMax) {
            batch.state[i] = Batch::kBad;
            continue;
        }
        // A line without its bracketed time, or with a NUL byte (no text of the analysed
        // log can hold one), is excluded.
        LineFields fields;
        const char* rest = nul && std::memchr(line, '\0', static_cast<std::size_t>(textEnd - line))
                               ? nullptr
                               : parseHead(line, textEnd, fields);
        if (!rest) {
            batch.state[i] = Batch::kBad;
            continue;
        }
        if (window && !(m_windowStart <= fields.time && fields.time < m_windowEnd)) {
            batch.state[i] = Batch::kOutside;
            continue;
        }
        // Most lines (pictures, style sheets, scripts) are decided on their request: their
        // referer and user agent are never looked at.
        if (!classifier.keepsRequest(fields)) {
            batch.state[i] = Batch::kExcluded;
            continue;
        }
        parseTail(rest, textEnd, fields);
        std::uint32_t flags = batch.flags;
        const bool stored = classifier.prepare(fields, flags, batch.prepared[i]) == 0;
        batch.state[i] = stored ? Batch::kStored : Batch::kExcluded;
        batch.truncated[i] = (flags & LA_F_TRUNCATED) != 0;
        if (stored)
            batch.texts.add(batch.prepared[i]);
    }
}

void ImportJob::poolBatch(Batch& batch, Classifier& classifier)
{
    // The batch's texts first, kind by kind in the order the batch met them: the shared
    // pools give them the identities line after line would.
    using P = PreparedLine;
    StringPool* pools[P::kTexts] = {};
    pools[P::kHost] = &m_data.hosts;
    pools[P::kUser] = &m_data.users;
    pools[P::kPath] = &m_data.paths;
    pools[P::kQuery] = &m_data.queries;
    pools[P::kReferer] = &m_data.referers;
    pools[P::kRefQuery] = &m_data.refQueries;
    pools[P::kAgent] = &m_data.agents;
    for (int kind = 0; kind < P::kTexts; ++kind) {
        const auto& texts = batch.texts.texts(P::Text(kind));
        const auto& hashes = batch.texts.hashes(P::Text(kind));
        std::vector<std::uint32_t>& ids = m_batchIds[kind];
        ids.resize(texts.size());
        ids[0] = 0;
        for (std::size_t t = 1; t < texts.size(); ++t)
            ids[t] = pools[kind]->intern(texts[t], hashes[t]);
    }
    // Then the fragments, in line order; each one's slot is fetched a few lines ahead.
    m_batchFragments.clear();
    for (std::size_t i = 0; i < batch.ends.size(); ++i)
        if (batch.state[i] == Batch::kStored) {
            const Fragment9 f = classifier.fragmentOf(batch.prepared[i], m_flags, m_batchIds);
            m_batchFragments.push_back({f, FragmentSet::hashOf(f), std::uint32_t(i)});
        }
    constexpr std::size_t kAhead = 8;
    for (std::size_t k = 0; k < m_batchFragments.size(); ++k) {
        if (k + kAhead < m_batchFragments.size())
            m_data.fragments.prefetch(m_batchFragments[k + kAhead].hash);
        const auto& [fragment, hash, i] = m_batchFragments[k];
        const PreparedLine& p = batch.prepared[i];
        m_data.pending.push_back(PendingRecord{p.fields.time,
                                               m_batchIds[P::kHost][p.local[P::kHost]],
                                               m_data.fragments.insert(fragment, hash)});
    }

    const bool sides = !(m_flags & LA_F_NO_SIDE_FILES);
    std::uint32_t begin = 0;
    for (std::size_t i = 0; i < batch.ends.size(); ++i) {
        const char* line = batch.text.data() + begin;
        const char* lineEnd = batch.text.data() + batch.ends[i];
        begin = batch.ends[i];
        if (batch.state[i] == Batch::kOutside)
            continue;
        m_flags &= ~(LA_F_STORED | LA_F_TRUNCATED);
        if (batch.state[i] == Batch::kBad)
            ++m_badLines;
        else if (batch.state[i] == Batch::kStored)
            m_flags |= LA_F_STORED;
        if (batch.truncated[i])
            m_flags |= LA_F_TRUNCATED;
        ++m_lines;
        if (sides) {
            if (m_excludedFile.isOpen() && !(m_flags & LA_F_STORED))
                writeSideLine(m_excludedBuffer, line, lineEnd);
            if (m_truncatedFile.isOpen() && (m_flags & LA_F_TRUNCATED))
                writeSideLine(m_truncatedBuffer, line, lineEnd);
        }
    }
}

void ImportJob::importFile(const std::string& path)
{
    const std::uint64_t base = m_done.load();
    std::unique_ptr<LogReader> reader;
    if (isGzipName(path))
        reader = std::make_unique<GzipReader>();
    else
        reader = std::make_unique<WindowReader>();

    if (const int rc = reader->open(path)) {
        fail(rc, path);
    } else if (m_running.load(std::memory_order_relaxed)) {
        Classifier classifier(m_options);
        const bool sides = !(m_flags & LA_F_NO_SIDE_FILES);
        // This thread reads (and decompresses) and pools; the others parse. Without them
        // (one job, or no thread to be had) this thread parses each batch itself.
        std::unique_ptr<Parsers> parsers;
        if (m_jobs > 1) {
            try {
                parsers = std::make_unique<Parsers>(*this, m_jobs);
            } catch (const std::system_error&) {
                parsers.reset();
            }
        }
        const std::size_t inFlight = parsers ? 2 * std::size_t(m_jobs) : 1;
        std::vector<std::unique_ptr<Batch>> batches;
        std::deque<Batch*> queued, spare;
        const auto take = [&] {
            if (spare.empty()) {
                batches.push_back(std::make_unique<Batch>());
                spare.push_back(batches.back().get());
            }
            Batch* b = spare.front();
            spare.pop_front();
            b->clear();
            return b;
        };
        Batch* current = take();
        const auto submit = [&] {
            if (current->text.empty())
                return;
            current->flags = m_flags & ~(LA_F_STORED | LA_F_TRUNCATED);
            current->position = reader->position();
            if (parsers)
                parsers->submit(current);
            else
                parseBatch(*current, classifier);
            queued.push_back(current);
            current = take();
        };
        // Pools the oldest batch; pool = false only waits for it (an import stopped or
        // failed keeps what was pooled before).
        const auto finishOldest = [&](bool pool) {
            Batch* b = queued.front();
            if (parsers)
                parsers->wait(b);
            queued.pop_front();
            if (pool && result() == 0) {
                poolBatch(*b, classifier);
                m_done.store(base + b->position, std::memory_order_relaxed);
                if (m_data.pending.size() > kPendingFlushed)
                    (void)flush();
            }
            spare.push_back(b);
        };
        for (;;) {
            bool newWindow = false;
            if (reader->advance(newWindow))
                break;
            // Records and side lines are written at every window; a failed write ends the
            // file.
            if (newWindow && (flush() || result()))
                break;

            // What the buffer holds up to its last line feed (or its end, at the end of the
            // input) goes to the parsers whole: they find the lines.
            const char* line = reader->current();
            const char* limit = reader->limit();
            const char* chunkEnd = limit;
            if (!reader->atEnd()) {
                const void* lf = ::memrchr(line, '\n', static_cast<std::size_t>(limit - line));
                if (!lf) {
                    // A line longer than the buffer: its pieces go to the excluded lines
                    // after every line before it.
                    submit();
                    while (!queued.empty())
                        finishOldest(true);
                    ++m_lines;
                    ++m_badLines;
                    excludeLongLine(*reader, sides);
                    if (!m_running.load(std::memory_order_relaxed) || result())
                        break;
                    continue;
                }
                chunkEnd = static_cast<const char*>(lf) + 1;
            }
            // A last line without its line feed is consumed past the limit.
            const bool open =
                chunkEnd == limit && reader->atEnd() && limit > line && limit[-1] != '\n';
            current->text.append(line, static_cast<std::size_t>(chunkEnd - line));
            reader->setCurrent(open ? limit + 1 : chunkEnd);
            if (current->text.size() >= kBatchBytes) {
                submit();
                while (queued.size() >= inFlight)
                    finishOldest(true);
                if (!m_running.load(std::memory_order_relaxed) || result())
                    break;
            }
        }
        const bool go = m_running.load(std::memory_order_relaxed) && result() == 0;
        if (go)
            submit();
        while (!queued.empty())
            finishOldest(go);
        if (reader->error())
            fail(reader->error(), path);
    }
    // A failure here is already the job's result.
    (void)flush();
    flushSideFiles();
    m_done.store(base +
                 static_cast<std::uint64_t>(std::max<std::int64_t>(0, platform::fileSize(path))));
}

int ImportJob::run()
{
    while (m_running.load() && result() == 0 && !m_queue.empty()) {
        const std::string path = m_queue.front();
        if (isAnalysedLogName(path))
            fail(appendAnalysedLog(path, m_done.load()), path);
        else
            importFile(path);
        m_queue.pop_front();
        m_queued.fetch_sub(1);
    }
    const double share = m_lines ? double(m_recordsWritten) * 100.0 / m_lines : 0.0;
    libraryTrace("nLine=%d/%d %.1f%%\r\n", static_cast<int>(m_recordsWritten),
                 static_cast<int>(m_lines), share);
    libraryTrace("nLogFrg=%d/%d\r\n", static_cast<int>(m_data.fragments.size()),
                 static_cast<int>(m_lines));
    if (m_badLines)
        libraryTrace("nBadLine=%d\r\n", static_cast<int>(m_badLines));
    libraryTrace("hr=%d %X\r\n", result(), static_cast<unsigned>(result()));
    if (result() == 0)
        m_done.store(m_total.load());
    return result();
}

int ImportJob::runOnce()
{
    if (m_started.exchange(true))
        return platform::kErrInvalidParameter;
    return run();
}

int ImportJob::startWorker()
{
    if (m_started.exchange(true))
        return platform::kErrInvalidParameter;
    try {
        m_worker = std::thread([this] {
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
            (void)run(); // the caller reads the result through progress()
        });
    } catch (const std::system_error& e) {
        return platform::errorFromErrno(e.code().value());
    }
    return 0;
}

void ImportJob::stop()
{
    m_running.store(false);
    if (m_worker.joinable())
        m_worker.join();
}

int ImportJob::progress(std::uint64_t* done, std::uint64_t* total) const
{
    if (done)
        *done = m_done.load();
    if (total)
        *total = m_total.load();
    if (const int rc = result())
        return rc;
    return m_queued.load() == 0 ? platform::kErrNoMoreFiles : 0;
}

int ImportJob::importRecord(const ImportRecordIn& record)
{
    auto span = [](const char* text) {
        return text ? Span{text, text + std::strlen(text)} : Span{};
    };
    LineFields fields;
    fields.time = record.time;
    fields.host = span(record.host);
    if (const FragmentIn* f = record.fragment) {
        fields.bytes = f->bytes;
        fields.status = f->status;
        fields.method = f->method;
        fields.path = span(f->path);
        fields.referer = span(f->referer);
        fields.user = span(f->user);
        fields.agent = span(f->agent);
        fields.query = span(f->query);
        fields.refQuery = span(f->refQuery);
    }
    m_flags &= ~(LA_F_STORED | LA_F_TRUNCATED);
    Classifier classifier(m_options);
    const int rc = classifier.classify(fields, m_flags, m_data);
    if (m_data.pending.size() > kPendingMax)
        if (const int written = flush())
            return written;
    return rc;
}

int ImportJob::appendAnalysedLog(const std::string& path, std::uint64_t base)
{
    const std::uint32_t started = platform::tickCount();
    platform::File file;
    if (const int rc = file.open(path, platform::File::Mode::ReadFile))
        return rc;
    const std::int64_t fileLength = file.size();
    Header header;
    if (const int rc = file.readAt(0, header.bytes, kHeaderSize))
        return rc;
    const std::uint64_t recSize = header.size(kRec), dicSize = header.size(kDic),
                        frgSize = header.size(kFrg);
    if (checkSections(header, fileLength < 0 ? 0 : std::uint64_t(fileLength)))
        return platform::kErrBadFormat;
    std::string dic(static_cast<std::size_t>(dicSize), '\0');
    if (const int rc = file.readAt(kHeaderSize + recSize, dic.data(), dic.size()))
        return rc;
    if (!dictionaryOk(dic))
        return platform::kErrBadFormat;
    const std::size_t fragmentCount = static_cast<std::size_t>(frgSize / kFragmentSize);
    std::vector<Fragment9> fragments(fragmentCount);
    if (fragmentCount)
        if (const int rc = file.readAt(kHeaderSize + recSize + dicSize, fragments.data(),
                                       fragmentCount * kFragmentSize))
            return rc;
    static_assert(sizeof(Fragment9) == kFragmentSize);
    for (const Fragment9& f : fragments)
        if (!fragmentOk(reinterpret_cast<const std::uint32_t*>(&f), dic))
            return platform::kErrBadFormat;

    auto text = [&](std::uint32_t offset) { return std::string_view(dic.data() + offset); };
    for (Fragment9& f : fragments) {
        struct
        {
            std::uint32_t* field;
            StringPool* pool;
        } fields[] = {{&f.path, &m_data.paths},    {&f.referer, &m_data.referers},
                      {&f.user, &m_data.users},    {&f.agent, &m_data.agents},
                      {&f.query, &m_data.queries}, {&f.refQuery, &m_data.refQueries}};
        for (auto& field : fields)
            if (*field.field != 0)
                *field.field = field.pool->intern(text(*field.field));
        if ((m_flags & LA_F_METHOD) && f.method == 0)
            std::memcpy(&f.method, "GET ", 4);
        if ((m_flags & LA_F_STATUS) && f.status == 0)
            f.status = 200;
    }

    const std::uint64_t recordCount = recSize / kRecordSize;
    std::vector<std::uint32_t> setIndex(fragmentCount, 0xFFFFFFFFu);
    std::unordered_map<std::uint32_t, std::uint32_t> hostIds;
    platform::MappedView view;
    for (std::uint64_t i = 0; i < recordCount; i += kRecordsPerView) {
        const std::uint64_t n = std::min(kRecordsPerView, recordCount - i);
        if (const int rc = view.map(file, kHeaderSize + i * kRecordSize, n * kRecordSize, false))
            return rc;
        m_done.store(base + static_cast<std::uint64_t>(double(i) / double(recordCount) *
                                                       double(fileLength)));
        const char* records = view.data();
        for (std::uint64_t r = 0; r < n; ++r) {
            std::uint32_t rec[3];
            std::memcpy(rec, records + r * kRecordSize, kRecordSize);
            if (!recordOk(rec[1], rec[2], dic, fragmentCount))
                return platform::kErrBadFormat;
            const std::uint32_t fragmentIndex = rec[2] / kFragmentSize;
            auto [it, fresh] = hostIds.try_emplace(rec[1], 0);
            if (fresh)
                it->second = m_data.hosts.intern(text(rec[1]));
            std::uint32_t& index = setIndex[fragmentIndex];
            if (index == 0xFFFFFFFFu)
                index = m_data.fragments.insert(fragments[fragmentIndex]);
            m_data.pending.push_back(PendingRecord{rec[0], it->second, index});
            if (m_data.pending.size() > kPendingMax)
                if (const int rc = flush())
                    return rc;
        }
    }
    view.unmap();
    file.close();
    libraryTrace("LogContainer2Base %d\r\n", static_cast<int>(platform::tickCount() - started));
    m_done.store(base +
                 static_cast<std::uint64_t>(std::max<std::int64_t>(0, platform::fileSize(path))));
    return 0;
}

int ImportJob::finish()
{
    stop();
    if (const int rc = result())
        return rc;
    if (m_finished)
        return 0;
    m_finished = true;
    int rc = finishFile();
    if (rc == 0)
        rc = commitOutput();
    fail(rc, m_outputPath);
    if (rc)
        discardOutput();
    return result();
}

} // namespace sievra
