/* Sievra: turns web-server access logs (combined format, plain or gzip) into one
 * analysed log (.vxlog). Every function returns 0 or an error code (2 file not found,
 * 87 bad options, 1168 gzip input not opened, ...); 18 from laGetProgress means all
 * input has been read. Texts are NUL-terminated CP932 bytes; lists are sequences of
 * NUL-terminated strings ended by an empty string. Paths are native file names. */
#ifndef SIEVRA_H
#define SIEVRA_H

#include <stdint.h>

#if defined(SIEVRA_BUILD)
#define SIEVRA_API __attribute__((visibility("default")))
#else
#define SIEVRA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Store and filter switches of ImportOptions.flags. */
#define LA_F_USER 0x00000001u          /* store the user field */
#define LA_F_METHOD 0x00000002u        /* store the method */
#define LA_F_QUERY 0x00000004u         /* store the request query */
#define LA_F_STATUS 0x00000008u        /* store the status code */
#define LA_F_BYTES 0x00000010u         /* store the byte count */
#define LA_F_REFERER 0x00000020u       /* store the referer without its query */
#define LA_F_REFQUERY 0x00000040u      /* store the referer query (with LA_F_REFERER) */
#define LA_F_BROWSERS_ONLY 0x00010000u /* keep only browser user agents */
/* Job state; callers leave these clear. */
#define LA_F_NO_SIDE_FILES 0x10000000u
#define LA_F_STORED 0x20000000u
#define LA_F_TRUNCATED 0x40000000u

typedef struct ImportJob* LaJob; /* opaque; owned by the caller until laRelease */

typedef struct ImportOptions
{
    uint32_t reserved;         /* 0 */
    uint32_t size;             /* sizeof(ImportOptions) */
    uint32_t flags;            /* LA_F_* */
    const char* output;        /* analysed log to create or replace when complete */
    const char* inputs;        /* list: raw logs (plain, .gz) and at most one .vxlog */
    const char* statusCodes;   /* list: "200", "302", ... */
    const char* methods;       /* list: "GET", "POST", ... */
    const char* skipExts;      /* list: extensions without the dot, "jpg", ... */
    const char* dirIndexes;    /* list: "index.html", ... */
    uint32_t windowStart;      /* first kept time, UTC seconds; 0 and 0 = no window */
    uint32_t windowEnd;        /* first time no longer kept */
    const char* truncatedFile; /* optional: lines with a field cut at 1024 bytes */
    const char* excludedFile;  /* optional: lines that were not stored */
    /* optional, read when size covers it: a rule file (robots.ini) whose non-empty outcomes
     * name machine user agents, which LA_F_BROWSERS_ONLY also leaves out */
    const char* machineRules;
    /* optional, read when size covers it: threads that parse the lines, 0 = one per core;
     * the analysed log is the same for any number */
    uint32_t jobs;
} ImportOptions;

typedef struct FragmentIn
{
    uint32_t bytes;
    uint32_t status;
    uint32_t method; /* four ASCII bytes as they lie in memory, e.g. "GET " */
    const char* path;
    const char* referer;
    const char* user;
    const char* agent;
    const char* query;
    const char* refQuery;
} FragmentIn;

typedef struct ImportRecordIn
{
    uint32_t time; /* UTC seconds since 1970 */
    const char* host;
    const FragmentIn* fragment;
} ImportRecordIn;

/* Creates a job. *job is written whenever a job could be made, even when the result is
 * non-zero; it must then still be released. */
SIEVRA_API uint32_t laCreate(LaJob* job, const ImportOptions* options);
/* Imports all input files on the calling thread; returns the job's result. */
SIEVRA_API uint32_t laImport(LaJob job);
/* Imports on a worker thread of the lowest priority; call at most once per job. */
SIEVRA_API uint32_t laImportAsync(LaJob job);
/* Classifies and stores one in-memory record: 0 stored, 1 excluded. */
SIEVRA_API uint32_t laImportRecord(LaJob job, const ImportRecordIn* record, uint32_t reserved);
/* Input bytes done and in all; returns the job's error, else 18 when all input is read. */
SIEVRA_API uint32_t laGetProgress(LaJob job, uint64_t* done, uint64_t* total);
/* Stops a running worker and completes the analysed log from what was read. The new
 * file is written under a temporary name beside the output and takes its place only
 * here, when it is complete. */
SIEVRA_API uint32_t laFinish(LaJob job);
/* Copies the path of the file the job's failure concerns (an input that could not be
 * read, or the output) into path, NUL-terminated; "" when it concerns none. 122 when the
 * path does not fit size bytes. */
SIEVRA_API uint32_t laGetErrorFile(LaJob job, char* path, uint32_t size);
/* Stops a running worker and frees the job (null is ignored). A job that was not
 * finished removes the temporary file it wrote; the output is never touched. */
SIEVRA_API uint32_t laRelease(LaJob job);

#ifdef __cplusplus
}
#endif

#endif /* SIEVRA_H */
