#pragma once

// Importing only what an analysed log has not read yet, for cron jobs over logs the server
// keeps growing and rotates (access.log, access.log.1, access.log.2.gz ...).
//
// Beside OUT.vxlog, OUT.vxlog.read remembers each access log read into it: its device and
// inode, its size, a hash of the first 4 KiB of its text (decompressed), and how far it was
// read (the end of its last whole line) with that line's time. A file read before goes on
// where it stopped; a rotated one (the same beginning under another name, gzipped or not)
// too; one that became shorter or begins differently is read again from its start. The file
// also names the analysed log's size and time: written after the analysed log took its
// place, it is only believed while they still match, and otherwise (a run stopped between
// the two) every line is read again and the overlap below keeps it from counting twice.
//
// The overlap: unread lines older than the analysed log's last record (a restored backup,
// a log without memory) that equal a stored record, as the import would store them, are
// left out, each as often as the analysed log holds it.

#include "import/sievra.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sievra {

struct ReadInput
{
    std::uint64_t device = 0, inode = 0;
    std::uint64_t size = 0;       // of the file (compressed, for gzip)
    std::uint32_t headLength = 0; // bytes of its text hashed, up to 4096
    std::uint64_t headHash = 0;
    std::uint64_t offset = 0;   // bytes of its text read: the end of its last whole line
    std::uint32_t lastTime = 0; // of the last line read (UTC)
    std::string path;           // as given; shown, never opened
};

struct ReadState
{
    bool trusted = false;       // loaded and matching the analysed log
    std::uint32_t lastTime = 0; // the analysed log's last record (UTC); 0 for none
    std::vector<ReadInput> inputs;
};

// OUT.vxlog.read
std::string readStatePath(const std::string& vxlog);

// Reads the state of an analysed log. A missing, damaged or outdated file gives an untrusted
// state; its last time is then read from the analysed log itself (0 when there is none).
ReadState loadReadState(const std::string& vxlog);

// Writes the state for the analysed log as it is now (a temporary file renamed over the old
// one, never through a link). 0 or the system error.
[[nodiscard]] int saveReadState(const std::string& vxlog, const ReadState& state);

// What one run does with one input.
struct InputPlan
{
    std::string path;
    ReadInput now;                // the input after this run
    std::uint64_t from = 0;       // where its unread text starts
    std::uint64_t lines = 0;      // whole unread lines
    std::uint64_t overlap = 0;    // of them, left out as already stored
    std::string note;             // why it starts where it does (English, for the report)
    std::size_t known = SIZE_MAX; // the remembered input it goes on from
};

// Plans a run and writes the unread whole lines of all inputs, the oldest input first, into
// tail (a plain log for the import), leaving out the overlap. options are the import's:
// they decide what of a line would be stored. 0 or the system error of the input named in
// errorFile.
[[nodiscard]] int planNewOnly(const std::string& vxlog, const ReadState& state,
                              const std::vector<std::string>& inputs, const ImportOptions& options,
                              const std::string& tail, std::vector<InputPlan>& plans,
                              std::string& errorFile);

// The state after a run that stored the plans' lines.
ReadState nextReadState(const ReadState& before, const std::vector<InputPlan>& plans);

} // namespace sievra
