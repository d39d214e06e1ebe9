// Base loading: the analysed log file into the store's tables, in six timed phases.

#include "import/vxlog_check.h"
#include "import/vxlog_format.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/trace.h"
#include "store/log_container.h"
#include "store/offset_index.h"

#include <algorithm>
#include <cstring>

namespace store {
namespace {

using sievra::kShortDictionary;
using sievra::kShortFragments;
using sievra::kShortHeader;
using sievra::kShortRecords;
constexpr std::size_t kChunkRecords = 1 << 16;

// Offsets are kept in the pointer fields until the tables they point into exist.
template <typename T> inline T* asOffset(std::uint32_t offset)
{
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(offset));
}
template <typename T> inline std::uint32_t offsetOf(T* p)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

} // namespace

int LogContainer::BaseLoad(const std::string& path, Progress& progress)
{
    const std::uint32_t started = platform::tickCount();
    std::uint32_t phaseStart = started;
    int rc = 0;
    auto endPhase = [&](int phase) {
        const std::uint32_t now = platform::tickCount();
        platform::trace("BaseLoading %d time=%d hr=%d %X", phase, int(now - phaseStart), rc,
                        unsigned(rc));
        phaseStart = now;
    };
    auto add = [&](float share) { addProgress(progress, share); };
    auto cancelled = [&] { return progress.load(std::memory_order_relaxed) < 0; };

    platform::File file;
    rc = cancelled() ? platform::kErrCancelled : file.open(path, platform::File::Mode::ReadFile);
    sievra::Header header;
    std::uint64_t at = 0;
    auto readExactly = [&](void* to, std::size_t length, int shortCode) {
        std::size_t got = 0;
        const int r = file.readAt(at, to, length, &got);
        at += got;
        return r == platform::kErrHandleEof ? shortCode : r;
    };
    const std::int64_t fileLength = rc ? 0 : file.size();

    // 1. Header and records; times to local standard time.
    if (!rc)
        rc = readExactly(header.bytes, sievra::kHeaderSize, kShortHeader);
    // A short file that does not even start like an analysed log is the wrong format.
    if ((!rc || (rc == kShortHeader && at >= 4)) && !header.magicOk())
        rc = platform::kErrBadFormat;
    std::uint64_t recordCount = 0;
    if (!rc) {
        recordCount = header.size(sievra::kRec) / sievra::kRecordSize;
        // Refuse sizes the file cannot hold before allocating anything.
        rc = sievra::checkSections(header, fileLength < 0 ? 0 : std::uint64_t(fileLength));
    }
    if (!rc) {
        Rec2.resize(static_cast<std::size_t>(recordCount));
        const long bias = platform::standardBiasSeconds();
        std::vector<std::uint32_t> chunk(kChunkRecords * 3);
        for (std::size_t i = 0; i < recordCount && !rc; i += kChunkRecords) {
            const std::size_t n = std::min<std::size_t>(kChunkRecords, recordCount - i);
            rc = cancelled() ? platform::kErrCancelled
                             : readExactly(chunk.data(), n * sievra::kRecordSize, kShortRecords);
            for (std::size_t r = 0; r < n && !rc; ++r) {
                LogRecord& rec = Rec2[i + r];
                rec.time = static_cast<std::uint32_t>(chunk[r * 3] - bias);
                rec.host = asOffset<HostEntry>(chunk[r * 3 + 1]);
                rec.fragment = asOffset<Fragment>(chunk[r * 3 + 2]);
            }
        }
    }
    add(0.025f);
    endPhase(1);

    // 2. Host: the distinct host offsets in ascending order.
    const std::uint64_t dicSize = header.size(sievra::kDic);
    if (!rc) {
        platform::trace("*1");
        OffsetIndex hosts(static_cast<std::size_t>(dicSize));
        for (const LogRecord& r : Rec2) {
            const std::uint32_t offset = offsetOf(r.host);
            if (offset == 0 || offset >= dicSize) {
                rc = platform::kErrBadFormat;
                break;
            }
            hosts.add(offset);
        }
        if (!rc) {
            Host.resize(hosts.seal());
            std::size_t h = 0;
            hosts.each([&](std::uint32_t offset) {
                Host[h++] = {0, asOffset<const char>(offset)};
            });
            platform::trace("*2");
            const float step = Rec2.empty() ? 0.0f : 0.1f / float(Rec2.size());
            std::size_t sinceUpdate = 0;
            for (LogRecord& r : Rec2) {
                r.host = &Host[hosts.rank(offsetOf(r.host))];
                if (++sinceUpdate == 65536) {
                    if (cancelled()) {
                        rc = platform::kErrCancelled;
                        break;
                    }
                    add(step * float(sinceUpdate));
                    sinceUpdate = 0;
                }
            }
            if (!rc)
                add(step * float(sinceUpdate));
        }
    }
    endPhase(2);

    // 3. The dictionary.
    if (!rc) {
        at = sievra::kHeaderSize + header.size(sievra::kRec);
        DicSize = static_cast<std::size_t>(dicSize);
        Dic.reset(new char[DicSize + 1]);
        rc = readExactly(Dic.get(), DicSize, kShortDictionary);
        // Texts must end inside the dictionary; the extra NUL guards an empty one.
        Dic[DicSize] = '\0';
        const std::string_view dic(Dic.get(), DicSize);
        if (!rc && !sievra::dictionaryOk(dic))
            rc = platform::kErrBadFormat;
        // Hosts are non-empty texts.
        for (std::size_t h = 0; h < Host.size() && !rc; ++h) {
            const std::uint32_t o = offsetOf(Host[h].name);
            if (!sievra::textOffsetOk(dic, o) || Dic[o] == '\0')
                rc = platform::kErrBadFormat;
        }
    }
    add(0.025f);
    endPhase(3);

    // 4. Fragments: one RefQ and Agnt entry each; Req and Ref distinct by offset. Read
    //    twice in chunks (distinct offsets first, then the entries) to keep memory low.
    if (!rc) {
        const std::uint64_t frgStart = at;
        const std::uint64_t frgSize = header.size(sievra::kFrg);
        const std::size_t count = static_cast<std::size_t>(frgSize / sievra::kFragmentSize);
        std::vector<std::uint32_t> chunk(kChunkRecords * 9);
        auto eachChunk = [&](auto f) {
            at = frgStart;
            for (std::size_t i = 0; i < count && !rc; i += kChunkRecords) {
                const std::size_t n = std::min<std::size_t>(kChunkRecords, count - i);
                rc = cancelled()
                         ? platform::kErrCancelled
                         : readExactly(chunk.data(), n * sievra::kFragmentSize, kShortFragments);
                for (std::size_t k = 0; k < n && !rc; ++k)
                    f(i + k, &chunk[k * 9]);
            }
        };
        OffsetIndex paths(DicSize + 1), referers(DicSize + 1);
        const std::string_view dic(Dic.get(), DicSize);
        eachChunk([&](std::size_t, const std::uint32_t* f) {
            if (!sievra::fragmentOk(f, dic)) {
                rc = platform::kErrBadFormat;
                return;
            }
            paths.add(f[3]);
            referers.add(f[4]);
        });
        if (!rc) {
            Req.resize(paths.seal());
            Ref.resize(referers.seal());
            std::size_t n = 0;
            paths.each([&](std::uint32_t o) { Req[n++] = {asOffset<const char>(o), nullptr}; });
            n = 0;
            referers.each([&](std::uint32_t o) {
                Ref[n++] = {asOffset<const char>(o), nullptr, nullptr};
            });
            RefQ.resize(count);
            Agnt.resize(count);
            Frg2.resize(count);
            FrgHead.assign(count, 0);
            std::uint32_t head;
            std::memcpy(&head, "HEAD", 4);
            eachChunk([&](std::size_t i, const std::uint32_t* f) {
                FrgHead[i] = f[2] == head;
                RefQ[i] = {asOffset<const char>(f[8]), nullptr, 1};
                Agnt[i] = {asOffset<const char>(f[6]), nullptr, nullptr};
                Frg2[i] = {&Req[paths.rank(f[3])], asOffset<const char>(f[7]),
                           &Ref[referers.rank(f[4])], &RefQ[i], &Agnt[i]};
            });
        }
    }
    endPhase(4);

    // 5. Offsets become pointers into Dic; offset 0 becomes null.
    if (!rc) {
        auto text = [&](const char*& p) {
            const std::uint32_t o = offsetOf(p);
            p = o ? Dic.get() + o : nullptr;
        };
        for (ReqEntry& e : Req)
            text(e.text);
        for (RefEntry& e : Ref)
            text(e.text);
        for (HostEntry& e : Host)
            text(e.name);
        for (Fragment& f : Frg2)
            text(f.query);
        for (RefQEntry& e : RefQ)
            text(e.text);
        for (AgntEntry& e : Agnt)
            text(e.text);
    }
    endPhase(5);

    // 6. Record fragments: byte offsets become pointers.
    if (!rc) {
        for (LogRecord& r : Rec2) {
            const std::uint32_t o = offsetOf(r.fragment);
            if (o % sievra::kFragmentSize || o / sievra::kFragmentSize >= Frg2.size()) {
                rc = platform::kErrBadFormat;
                break;
            }
            r.fragment = &Frg2[o / sievra::kFragmentSize];
        }
    }
    add(0.05f);
    endPhase(6);
    platform::trace("LogContainer2Base %d", int(platform::tickCount() - started));
    return rc;
}

} // namespace store
