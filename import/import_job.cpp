#include "import/import_job.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>
#include <unordered_map>

#include "import/readers.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/errors.h"

namespace sievra {
namespace {

constexpr std::size_t kSideBufferMax = 1 << 20;
constexpr std::size_t kPendingMax = 1024;           // in-memory records before a flush
constexpr std::uint64_t kRecordsPerView = platform::kAllocationGranularity;

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
}

void ImportJob::setResult(int rc)
{
    int expected = 0;
    if (rc)
        m_result.compare_exchange_strong(expected, rc);
}

int ImportJob::create(const ImportOptions& options)
{
    m_flags = options.flags & ~(LA_F_NO_SIDE_FILES | LA_F_STORED | LA_F_TRUNCATED);
    for (auto& name : listItems(options.inputs)) {
        platform::File probe;
        if (probe.open(name, platform::File::Mode::Read) == 0)
            m_total += static_cast<std::uint64_t>(std::max<std::int64_t>(0, probe.size()));
        m_queue.push_back(std::move(name));
    }
    m_queued = static_cast<std::uint32_t>(m_queue.size());
    if (m_queue.empty())
        setResult(platform::kErrInvalidParameter);

    if (result() == 0) {
        if (!options.output || !*options.output)
            setResult(platform::kErrInvalidParameter);
        if (options.truncatedFile && *options.truncatedFile)
            m_truncatedFile.open(options.truncatedFile, platform::File::Mode::CreateAlways);
        if (options.excludedFile && *options.excludedFile)
            m_excludedFile.open(options.excludedFile, platform::File::Mode::CreateAlways);
        if (!m_truncatedFile.isOpen() && !m_excludedFile.isOpen())
            m_flags |= LA_F_NO_SIDE_FILES;
    }
    if (result() == 0) {
        if (const int rc = m_output.open(options.output, platform::File::Mode::CreateAlways))
            setResult(rc);
        else if (const int wrc = m_output.writeAt(0, m_header.bytes, kHeaderSize))
            setResult(wrc);
        libraryTrace("off=%d\r\n", static_cast<int>(kHeaderSize));
    }

    m_options.flags = m_flags;
    m_options.skipExts = listItems(options.skipExts);
    m_options.dirIndexes = listItems(options.dirIndexes);
    for (const auto& s : listItems(options.statusCodes))
        m_options.addStatus(s.c_str());
    for (const auto& m : listItems(options.methods))
        m_options.addMethod(m);
    m_windowStart = options.windowStart;
    m_windowEnd = options.windowEnd;
    return result();
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
        setResult(rc);
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
    // Failures on the side files are not the import's business.
    if (!m_excludedBuffer.empty()) {
        if (m_excludedFile.isOpen())
            m_excludedFile.append(m_excludedBuffer.data(), m_excludedBuffer.size());
        m_excludedBuffer.clear();
    }
    if (!m_truncatedBuffer.empty()) {
        if (m_truncatedFile.isOpen())
            m_truncatedFile.append(m_truncatedBuffer.data(), m_truncatedBuffer.size());
        m_truncatedBuffer.clear();
    }
}

int ImportJob::importFile(const std::string& path)
{
    const std::uint64_t base = m_done.load();
    std::unique_ptr<LogReader> reader;
    const auto dot = path.rfind('.');
    if (dot != std::string::npos && path.compare(dot, std::string::npos, ".gz") == 0)
        reader = std::make_unique<GzipReader>();
    else
        reader = std::make_unique<WindowReader>();

    if (const int rc = reader->open(path)) {
        setResult(rc);
    } else if (m_running.load(std::memory_order_relaxed)) {
        Classifier classifier(m_options);
        const bool window = m_windowStart != 0 || m_windowEnd != 0;
        const bool sides = !(m_flags & LA_F_NO_SIDE_FILES);
        for (;;) {
            bool newWindow = false;
            if (reader->advance(newWindow))
                break;
            if (newWindow)
                flush();
            m_done.store(base + reader->position(), std::memory_order_relaxed);

            const char* line = reader->current();
            const char* limit = reader->limit();
            LineFields fields;
            if (!parseLine(line, limit, fields)) {
                libraryTrace("ReadRecord null\r\n");
                break;
            }
            const void* lf = line < limit ? std::memchr(line, '\n', static_cast<std::size_t>(limit - line)) : nullptr;
            const char* lineEnd = lf ? static_cast<const char*>(lf) + 1 : limit;
            reader->setCurrent(lf ? lineEnd : limit + 1);

            if (window && !(m_windowStart <= fields.time && fields.time < m_windowEnd)) {
                if (!m_running.load(std::memory_order_relaxed))
                    break;
                continue;
            }
            m_flags &= ~(LA_F_STORED | LA_F_TRUNCATED);
            if (classifier.classify(fields, m_flags, m_data) == 0)
                m_flags |= LA_F_STORED;
            ++m_lines;
            if (sides) {
                if (m_excludedFile.isOpen() && !(m_flags & LA_F_STORED))
                    writeSideLine(m_excludedBuffer, line, lineEnd);
                if (m_truncatedFile.isOpen() && (m_flags & LA_F_TRUNCATED))
                    writeSideLine(m_truncatedBuffer, line, lineEnd);
            }
            if (!m_running.load(std::memory_order_relaxed))
                break;
        }
        if (reader->error())
            setResult(reader->error());
    }
    flush();
    flushSideFiles();
    m_done.store(base + static_cast<std::uint64_t>(std::max<std::int64_t>(0, platform::fileSize(path))));
    return result();
}

int ImportJob::run()
{
    while (m_running.load() && result() == 0 && !m_queue.empty()) {
        const std::string path = m_queue.front();
        const auto dot = path.rfind('.');
        if (dot != std::string::npos && path.compare(dot, std::string::npos, ".vxlog") == 0)
            setResult(appendAnalysedLog(path, m_done.load()));
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
            run();
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
        flush();
    return rc;
}

int ImportJob::appendAnalysedLog(const std::string& path, std::uint64_t base)
{
    const std::uint32_t started = platform::tickCount();
    platform::File file;
    if (const int rc = file.open(path, platform::File::Mode::Read))
        return rc;
    const std::int64_t fileLength = file.size();
    Header header;
    if (const int rc = file.readAt(0, header.bytes, kHeaderSize))
        return rc;
    const std::uint64_t recSize = header.size(kRec), dicSize = header.size(kDic),
                        frgSize = header.size(kFrg);
    // Sizes must fit the file and the 32-bit offsets; anything else is not our format.
    if (recSize > std::uint64_t(fileLength) || dicSize > std::uint64_t(fileLength) ||
        frgSize > std::uint64_t(fileLength) || dicSize > 0xFFFFFFFFull ||
        kHeaderSize + recSize + dicSize + frgSize > std::uint64_t(fileLength))
        return platform::kErrHandleEof;
    std::string dic(static_cast<std::size_t>(dicSize), '\0');
    if (const int rc = file.readAt(kHeaderSize + recSize, dic.data(), dic.size()))
        return rc;
    if (!dic.empty() && dic.back() != '\0')
        return platform::kErrBadFormat;
    const std::size_t fragmentCount = static_cast<std::size_t>(frgSize / kFragmentSize);
    std::vector<Fragment9> fragments(fragmentCount);
    if (fragmentCount)
        if (const int rc = file.readAt(kHeaderSize + recSize + dicSize, fragments.data(),
                                       fragmentCount * kFragmentSize))
            return rc;

    auto text = [&](std::uint32_t offset, std::string_view& out) {
        if (offset >= dic.size())
            return false;
        out = std::string_view(dic.data() + offset);
        return true;
    };
    for (Fragment9& f : fragments) {
        struct
        {
            std::uint32_t* field;
            StringPool* pool;
        } fields[] = {{&f.path, &m_data.paths},       {&f.referer, &m_data.referers},
                      {&f.user, &m_data.users},       {&f.agent, &m_data.agents},
                      {&f.query, &m_data.queries},    {&f.refQuery, &m_data.refQueries}};
        for (auto& field : fields) {
            if (*field.field == 0)
                continue;
            std::string_view s;
            if (!text(*field.field, s))
                return platform::kErrBadFormat;
            *field.field = field.pool->intern(s);
        }
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
        m_done.store(base + static_cast<std::uint64_t>(double(i) / double(recordCount) * double(fileLength)));
        const char* records = view.data();
        for (std::uint64_t r = 0; r < n; ++r) {
            std::uint32_t rec[3];
            std::memcpy(rec, records + r * kRecordSize, kRecordSize);
            const std::uint32_t fragmentIndex = rec[2] / kFragmentSize;
            if (rec[1] == 0 || rec[2] % kFragmentSize || fragmentIndex >= fragmentCount)
                return platform::kErrBadFormat;
            auto [it, fresh] = hostIds.try_emplace(rec[1], 0);
            if (fresh) {
                std::string_view host;
                if (!text(rec[1], host) || host.empty())
                    return platform::kErrBadFormat;
                it->second = m_data.hosts.intern(host);
            }
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
    m_done.store(base + static_cast<std::uint64_t>(std::max<std::int64_t>(0, platform::fileSize(path))));
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
    const int rc = finishFile();
    setResult(rc);
    return result();
}

} // namespace sievra
