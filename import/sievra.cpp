// The exported C interface. Every entry point checks its handle against the jobs that
// are alive, so a null or released handle is refused instead of crashing, and no C++
// exception ever leaves the library.

#include "import/sievra.h"

#include "import/import_job.h"
#include "platform/errors.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

namespace {

using platform::kErrInvalidHandle;

std::mutex g_jobsLock;
std::unordered_set<const ImportJob*>& liveJobs()
{
    static auto* jobs = new std::unordered_set<const ImportJob*>;
    return *jobs;
}

bool alive(LaJob job)
{
    if (!job)
        return false;
    std::lock_guard guard(g_jobsLock);
    return liveJobs().count(job) != 0;
}

template <typename F> std::uint32_t guarded(F body)
{
    try {
        return static_cast<std::uint32_t>(body());
    } catch (const std::bad_alloc&) {
        return platform::kErrNotEnoughMemory;
    } catch (...) {
        return platform::kErrGenFailure;
    }
}

__attribute__((constructor)) void onLoad()
{
    sievra::libraryTrace("DLL_PROCESS_ATTACH\r\n");
}

__attribute__((destructor)) void onUnload()
{
    sievra::libraryTrace("DLL_PROCESS_DETACH\r\n");
}

} // namespace

// The opaque handle type of the C header is the job itself.
struct ImportJob : sievra::ImportJob
{
};

extern "C" {

SIEVRA_API uint32_t laCreate(LaJob* job, const ImportOptions* options)
{
    if (!job || !options)
        return platform::kErrInvalidParameter;
    auto* created = new (std::nothrow) ImportJob;
    if (!created)
        return platform::kErrNotEnoughMemory;
    {
        std::lock_guard guard(g_jobsLock);
        liveJobs().insert(created);
    }
    *job = created;
    return guarded([&] { return created->create(*options); });
}

SIEVRA_API uint32_t laImport(LaJob job)
{
    if (!alive(job))
        return kErrInvalidHandle;
    return guarded([&] { return job->runOnce(); });
}

SIEVRA_API uint32_t laImportAsync(LaJob job)
{
    if (!alive(job))
        return kErrInvalidHandle;
    return guarded([&] { return job->startWorker(); });
}

SIEVRA_API uint32_t laImportRecord(LaJob job, const ImportRecordIn* record, uint32_t)
{
    if (!alive(job))
        return kErrInvalidHandle;
    if (!record)
        return platform::kErrInvalidParameter;
    return guarded([&] { return job->importRecord(*record); });
}

SIEVRA_API uint32_t laGetProgress(LaJob job, uint64_t* done, uint64_t* total)
{
    if (!alive(job))
        return kErrInvalidHandle;
    return guarded([&] { return job->progress(done, total); });
}

SIEVRA_API uint32_t laFinish(LaJob job)
{
    if (!alive(job))
        return kErrInvalidHandle;
    return guarded([&] { return job->finish(); });
}

SIEVRA_API uint32_t laGetErrorFile(LaJob job, char* path, uint32_t size)
{
    if (!alive(job))
        return kErrInvalidHandle;
    if (!path || size == 0)
        return platform::kErrInvalidParameter;
    return guarded([&] {
        const std::string file = job->errorFile();
        if (file.size() + 1 > size) {
            path[0] = '\0';
            return static_cast<int>(platform::kErrInsufficientBuffer);
        }
        std::memcpy(path, file.c_str(), file.size() + 1);
        return 0;
    });
}

SIEVRA_API uint32_t laRelease(LaJob job)
{
    if (!job)
        return 0;
    {
        std::lock_guard guard(g_jobsLock);
        if (!liveJobs().erase(job))
            return kErrInvalidHandle;
    }
    return guarded([&] {
        delete job; // stops a running worker first
        return 0;
    });
}

} // extern "C"
