#include "import/new_only.h"

#include "import/classifier.h"
#include "import/hash.h"
#include "import/vxlog_reader.h"
#include "platform/files.h"
#include "rules/rule_file.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <unordered_map>
#include <zlib.h>

namespace sievra {
namespace {

constexpr char kMagic[] = "vexilo-read 1";
constexpr std::size_t kHead = 4096;
constexpr std::size_t kKeptInputs = 64; // files remembered; the oldest are forgotten

struct FileStamp
{
    std::uint64_t size = 0;
    std::int64_t nanos = 0;
};

bool stampOf(const std::string& path, FileStamp& out)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return false;
    out.size = static_cast<std::uint64_t>(st.st_size);
    out.nanos = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

// A path field of the state file: tabs and line breaks cannot be written.
std::string cleanPath(const std::string& path)
{
    std::string out = path;
    for (char& c : out)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return out;
}

std::uint32_t lastRecordTime(const std::string& vxlog)
{
    AnalysedLogFile file;
    if (!platform::fileExists(vxlog) || file.open(vxlog) != 0)
        return 0;
    std::uint32_t last = 0;
    for (const RecordEntry& r : file.records())
        last = std::max(last, r.time);
    return last;
}

// The text of an input, plain or gzip, read in blocks.
class Text
{
  public:
    explicit Text(const std::string& path) : m_file(gzopen(path.c_str(), "rb"))
    {
        if (m_file)
            gzbuffer(m_file, 256 << 10);
    }
    ~Text()
    {
        if (m_file)
            gzclose(m_file);
    }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    bool ok() const { return m_file != nullptr; }
    // Up to size bytes; -1 on a read error.
    long read(char* data, std::size_t size)
    {
        return gzread(m_file, data, static_cast<unsigned>(size));
    }
    // Moves to offset; false when the text is shorter (fileSize: the file's, for a plain
    // one, where a seek past the end would succeed).
    bool seek(std::uint64_t offset, std::uint64_t fileSize)
    {
        if (gzdirect(m_file) && offset > fileSize)
            return false;
        return gzseek(m_file, static_cast<z_off_t>(offset), SEEK_SET) ==
               static_cast<z_off_t>(offset);
    }

  private:
    gzFile m_file;
};

// Calls line(begin, end) for every whole line from offset on (end at the LF); returns the
// offset after the last whole line, or -1 on a read error.
template <typename Line> std::int64_t eachLine(Text& text, std::uint64_t offset, Line line)
{
    constexpr std::size_t kLongest = 16 << 20; // a longer line is no log line: skipped
    std::vector<char> buffer(1 << 20);
    std::size_t kept = 0;
    std::uint64_t done = offset;
    bool skipping = false;
    for (;;) {
        if (kept == buffer.size()) {
            if (buffer.size() < kLongest) {
                buffer.resize(buffer.size() * 2);
            } else {
                done += kept;
                kept = 0;
                skipping = true;
            }
        }
        const long got = text.read(buffer.data() + kept, buffer.size() - kept);
        if (got < 0)
            return -1;
        if (got == 0)
            return static_cast<std::int64_t>(done);
        const std::size_t end = kept + static_cast<std::size_t>(got);
        std::size_t start = 0;
        for (std::size_t i = kept; i < end; ++i)
            if (buffer[i] == '\n') {
                if (!skipping)
                    line(buffer.data() + start, buffer.data() + i);
                skipping = false;
                done += i + 1 - start;
                start = i + 1;
            }
        kept = end - start;
        std::memmove(buffer.data(), buffer.data() + start, kept);
    }
}

// What the import would store of a line, as comparable bytes; empty when it stores
// nothing. Records of the analysed log give the same bytes (recordKey).
class LineKeys
{
  public:
    explicit LineKeys(const ImportOptions& o)
        : m_options(classifyOptionsOf(
              o, o.flags & ~(LA_F_NO_SIDE_FILES | LA_F_STORED | LA_F_TRUNCATED), m_machines))
    {
    }

    std::string key(const char* begin, const char* end)
    {
        LineFields fields;
        if (!parseLine(begin, end, fields))
            return {};
        std::uint32_t flags = m_options.flags;
        Classifier classifier(m_options);
        if (classifier.classify(fields, flags, m_data) != 0)
            return {};
        const PendingRecord r = m_data.pending.back();
        m_data.pending.pop_back();
        const Fragment9& f = m_data.fragments[r.fragment];
        std::string k;
        numbers(k, r.time, f.bytes, f.status, f.method);
        int field = 0;
        for (const auto& [pool, id] : {std::pair{&m_data.hosts, r.host},
                                       {&m_data.paths, f.path},
                                       {&m_data.referers, f.referer},
                                       {&m_data.users, f.user},
                                       {&m_data.agents, f.agent},
                                       {&m_data.queries, f.query},
                                       {&m_data.refQueries, f.refQuery}})
            text(k, id ? pool->text(id) : std::string_view(), field++);
        return k;
    }

    static std::string recordKey(const AnalysedLogFile& file, const RecordEntry& r)
    {
        const std::uint32_t* f = file.fragment(r.fragment);
        std::string k;
        numbers(k, r.time, f[0], f[1], f[2]);
        int field = 0;
        for (const std::uint32_t offset : {r.host, f[3], f[4], f[5], f[6], f[7], f[8]})
            text(k, file.text(offset), field++);
        return k;
    }

  private:
    // Finishing merges a path or referer with the same one ending in "/" when the log has
    // both: compared without that slash.
    static void text(std::string& k, std::string_view t, int field)
    {
        if ((field == 1 || field == 2) && t.size() > 1 && t.back() == '/')
            t.remove_suffix(1);
        k += t;
        k += '\0';
    }

    static void numbers(std::string& k, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                        std::uint32_t d)
    {
        const std::uint32_t n[4] = {a, b, c, d};
        k.append(reinterpret_cast<const char*>(n), sizeof n);
    }

    std::unique_ptr<MachineAgents> m_machines; // before m_options, which points into it
    ClassifyOptions m_options;
    ImportData m_data;
};

struct Identity
{
    ReadInput now;
    std::string head;
    std::int64_t nanos = 0;
};

int identify(const std::string& path, Identity& id)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return errno ? errno : EIO;
    id.now.path = path;
    id.now.device = st.st_dev;
    id.now.inode = st.st_ino;
    id.now.size = static_cast<std::uint64_t>(st.st_size);
    id.nanos = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    Text text(path);
    if (!text.ok())
        return errno ? errno : EIO;
    id.head.resize(kHead);
    std::size_t have = 0;
    while (have < kHead) {
        const long got = text.read(id.head.data() + have, kHead - have);
        if (got < 0)
            return EIO;
        if (got == 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    id.head.resize(have);
    id.now.headLength = static_cast<std::uint32_t>(have);
    id.now.headHash = hashBytes(id.head.data(), have);
    return 0;
}

bool sameBeginning(const Identity& id, const ReadInput& known)
{
    return known.headLength > 0 && known.headLength <= id.head.size() &&
           hashBytes(id.head.data(), known.headLength) == known.headHash;
}

} // namespace

std::string readStatePath(const std::string& vxlog)
{
    return vxlog + ".read";
}

ReadState loadReadState(const std::string& vxlog)
{
    ReadState state;
    FileStamp log;
    const bool logThere = stampOf(vxlog, log);
    std::ifstream in(readStatePath(vxlog), std::ios::binary);
    std::string line;
    bool matches = false;
    if (logThere && std::getline(in, line) && line == kMagic && std::getline(in, line)) {
        unsigned long long size = 0;
        long long nanos = 0;
        unsigned last = 0;
        matches = std::sscanf(line.c_str(), "log\t%llu\t%lld\t%u", &size, &nanos, &last) == 3 &&
                  size == log.size && nanos == log.nanos;
        state.lastTime = last;
        while (matches && std::getline(in, line)) {
            ReadInput r;
            unsigned long long dev, ino, fsize, hash, offset;
            unsigned headLength, lastTime;
            int pathAt = -1;
            if (std::sscanf(line.c_str(), "input\t%llu\t%llu\t%llu\t%u\t%llx\t%llu\t%u\t%n", &dev,
                            &ino, &fsize, &headLength, &hash, &offset, &lastTime, &pathAt) != 7 ||
                pathAt < 0 || headLength > kHead) {
                matches = false;
                break;
            }
            r.device = dev;
            r.inode = ino;
            r.size = fsize;
            r.headLength = headLength;
            r.headHash = hash;
            r.offset = offset;
            r.lastTime = lastTime;
            r.path = line.substr(static_cast<std::size_t>(pathAt));
            state.inputs.push_back(std::move(r));
        }
    }
    if (matches) {
        state.trusted = true;
        return state;
    }
    state = ReadState{};
    state.lastTime = logThere ? lastRecordTime(vxlog) : 0;
    return state;
}

int saveReadState(const std::string& vxlog, const ReadState& state)
{
    FileStamp log;
    if (!stampOf(vxlog, log))
        return errno ? errno : ENOENT;
    char text[256];
    std::snprintf(text, sizeof text, "%s\nlog\t%" PRIu64 "\t%" PRId64 "\t%u\n", kMagic, log.size,
                  log.nanos, state.lastTime);
    std::string out = text;
    for (const ReadInput& r : state.inputs) {
        std::snprintf(text, sizeof text,
                      "input\t%" PRIu64 "\t%" PRIu64 "\t%" PRIu64 "\t%u\t%" PRIx64 "\t%" PRIu64
                      "\t%u\t",
                      r.device, r.inode, r.size, r.headLength, r.headHash, r.offset, r.lastTime);
        out += text;
        out += cleanPath(r.path);
        out += '\n';
    }
    const std::string path = readStatePath(vxlog);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return platform::replaceFileInFolder(folder, name, out);
}

int planNewOnly(const std::string& vxlog, const ReadState& state,
                const std::vector<std::string>& inputs, const ImportOptions& options,
                const std::string& tail, std::vector<InputPlan>& plans, std::string& errorFile)
{
    plans.clear();
    std::vector<Identity> ids(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i)
        if (const int rc = identify(inputs[i], ids[i])) {
            errorFile = inputs[i];
            return rc;
        }
    // The oldest first: a rotated file's rest comes before the lines of its successor.
    std::stable_sort(ids.begin(), ids.end(),
                     [](const Identity& a, const Identity& b) { return a.nanos < b.nanos; });

    // Where each input starts.
    for (const Identity& id : ids) {
        InputPlan plan;
        plan.path = id.now.path;
        plan.now = id.now;
        const ReadInput* known = nullptr;
        const InputPlan* twin = nullptr;
        std::size_t knownIndex = SIZE_MAX;
        for (const InputPlan& p : plans)
            if (sameBeginning(id, p.now) ||
                (p.now.device == id.now.device && p.now.inode == id.now.inode))
                twin = &p;
        for (std::size_t k = 0; k < state.inputs.size(); ++k) {
            const ReadInput& r = state.inputs[k];
            if (sameBeginning(id, r) && (!known || r.offset > known->offset)) {
                known = &r;
                knownIndex = k;
            }
        }
        if (twin) {
            plan.from = twin->now.offset;
            plan.now.lastTime = twin->now.lastTime;
            plan.note = "the same file as " + twin->path + ": skipped";
        } else if (known) {
            plan.known = knownIndex;
            plan.from = known->offset;
            plan.now.lastTime = known->lastTime;
            plan.note = known->path == id.now.path
                            ? "read before: goes on after byte " + std::to_string(known->offset)
                            : "read before as " + known->path + ": goes on after byte " +
                                  std::to_string(known->offset);
        } else {
            bool seen = false;
            for (const ReadInput& r : state.inputs)
                seen = seen || r.path == id.now.path ||
                       (r.device == id.now.device && r.inode == id.now.inode);
            plan.note = seen ? "begins differently from the file read before under this name "
                               "(rotated or replaced): read from its start"
                             : "new: read from its start";
        }
        plans.push_back(std::move(plan));
    }

    // First pass: the oldest unread line that could be stored already.
    const bool untrusted = !state.trusted;
    auto mayOverlap = [&](std::uint32_t t) {
        return state.lastTime && (t < state.lastTime || (untrusted && t == state.lastTime));
    };
    std::uint32_t oldest = UINT32_MAX;
    for (InputPlan& plan : plans) {
        if (plan.note.rfind("the same file", 0) == 0)
            continue;
        Text text(plan.path);
        if (!text.ok() || !text.seek(plan.from, plan.now.size)) {
            // Shorter than what was read of it: truncated, read again.
            plan.from = 0;
            plan.now.lastTime = 0;
            plan.note = "shorter than before (truncated): read from its start";
            if (!text.ok() || !text.seek(0, plan.now.size)) {
                errorFile = plan.path;
                return EIO;
            }
        }
        const std::int64_t end = eachLine(text, plan.from, [&](const char* b, const char* e) {
            LineFields f;
            if (parseLine(b, e, f) && mayOverlap(f.time))
                oldest = std::min(oldest, f.time);
        });
        if (end < 0) {
            errorFile = plan.path;
            return EIO;
        }
    }

    // The analysed log's records that unread lines could repeat, counted.
    std::unordered_map<std::string, std::uint32_t> stored;
    std::unique_ptr<LineKeys> keys;
    if (oldest != UINT32_MAX) {
        keys = std::make_unique<LineKeys>(options);
        AnalysedLogFile file;
        if (file.open(vxlog) == 0)
            for (const RecordEntry& r : file.records())
                if (r.time >= oldest && r.time <= state.lastTime)
                    ++stored[LineKeys::recordKey(file, r)];
    }

    // Second pass: the unread whole lines into the tail.
    std::FILE* out = std::fopen(tail.c_str(), "wb");
    if (!out) {
        errorFile = tail;
        return errno ? errno : EIO;
    }
    int rc = 0;
    for (InputPlan& plan : plans) {
        if (rc || plan.note.rfind("the same file", 0) == 0)
            continue;
        Text text(plan.path);
        if (!text.ok() || !text.seek(plan.from, plan.now.size)) {
            rc = EIO;
            errorFile = plan.path;
            break;
        }
        const std::int64_t end = eachLine(text, plan.from, [&](const char* b, const char* e) {
            ++plan.lines;
            LineFields f;
            if (parseLine(b, e, f)) {
                plan.now.lastTime = f.time;
                if (!stored.empty() && mayOverlap(f.time)) {
                    const auto it = stored.find(keys->key(b, e));
                    if (it != stored.end() && it->second > 0) {
                        --it->second;
                        ++plan.overlap;
                        return;
                    }
                }
            }
            if (std::fwrite(b, 1, static_cast<std::size_t>(e - b) + 1, out) !=
                static_cast<std::size_t>(e - b) + 1)
                rc = errno ? errno : EIO;
        });
        if (end < 0 || rc) {
            rc = rc ? rc : EIO;
            errorFile = rc == EIO && end < 0 ? plan.path : tail;
            break;
        }
        plan.now.offset = static_cast<std::uint64_t>(end);
    }
    if (std::fclose(out) != 0 && !rc) {
        rc = errno ? errno : EIO;
        errorFile = tail;
    }
    return rc;
}

ReadState nextReadState(const ReadState& before, const std::vector<InputPlan>& plans)
{
    ReadState next;
    next.trusted = true;
    next.lastTime = before.lastTime;
    std::vector<bool> superseded(before.inputs.size(), false);
    for (const InputPlan& p : plans) {
        next.lastTime = std::max(next.lastTime, p.now.lastTime);
        if (p.known < superseded.size())
            superseded[p.known] = true;
        bool twin = p.now.headLength == 0; // an empty file: nothing to know it by
        for (const ReadInput& r : next.inputs)
            twin = twin || (r.headLength == p.now.headLength && r.headHash == p.now.headHash);
        if (!twin)
            next.inputs.push_back(p.now);
    }
    // Files of earlier runs not given this time stay remembered: a rotated log may come
    // back gzipped.
    if (before.trusted)
        for (std::size_t i = 0; i < before.inputs.size(); ++i)
            if (!superseded[i])
                next.inputs.push_back(before.inputs[i]);
    if (next.inputs.size() > kKeptInputs) {
        std::stable_sort(
            next.inputs.begin(), next.inputs.end(),
            [](const ReadInput& a, const ReadInput& b) { return a.lastTime > b.lastTime; });
        next.inputs.resize(kKeptInputs);
    }
    return next;
}

} // namespace sievra
