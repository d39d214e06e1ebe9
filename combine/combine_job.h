#pragma once

// The copying half of combine and crunchbox, without windows: joining access logs (plain or
// gzip, multi-member gzip read whole) into one file, plain or gzip, and compressing or
// decompressing a file next to itself. Progress and stopping go through atomics that a
// window thread reads and writes. Paths are native bytes.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace combine {

inline constexpr int kCancelled = 1223;

// Where a job stands; shared with the progress dialog.
struct Progress
{
    std::atomic<bool> running{true};
    std::atomic<std::uint64_t> done{0};  // input bytes consumed (on disk)
    std::atomic<std::uint64_t> total{0}; // sum of the inputs' sizes on disk
    std::atomic<int> current{-1};        // the input being copied
};

// How a job ended: 0, kCancelled, or a failure with the file it happened on.
struct Outcome
{
    int code = 0;     // 0, kCancelled, or a system error (EIO for a damaged gzip input)
    std::string path; // the file that failed
    std::string what; // UTF-8: "読み込めません", "書き込めません", ...
    bool ok() const { return code == 0; }
};

// A size as the list shows it: "%d" below 256 bytes, "%.1fk" below 256 KiB, "%.1fM" below
// 256 MiB, "%.1fG" above.
std::string sizeText(std::uint64_t bytes);
// The remaining time: "--:--" before any progress; "%d sec" rounded to 5 s below a minute,
// else "m:ss" rounded down to 30 s.
std::string remainingText(std::uint64_t elapsedMillis, double fraction);

// Whether the output is written compressed: its name ends in ".gz", any case.
bool compressedName(const std::string& path);

// Joins the inputs in order, byte for byte, into output. Stops after the current chunk
// when progress.running turns false (the output keeps what was written).
Outcome combineFiles(const std::vector<std::string>& inputs, const std::string& output,
                     Progress& progress);

// The list of inputs as the dialog keeps it.
class FileList
{
  public:
    // Appends path unless exactly that path is listed already; true when added.
    bool add(const std::string& path);
    void remove(const std::vector<int>& rows);
    // Moves the selected rows together before the row above the first of them (up) or after
    // the row below the last (down). Returns the rows they now hold; unchanged when the
    // move is not possible.
    std::vector<int> moveUp(const std::vector<int>& rows);
    std::vector<int> moveDown(const std::vector<int>& rows);
    static bool canMoveUp(std::size_t count, const std::vector<int>& rows);
    static bool canMoveDown(std::size_t count, const std::vector<int>& rows);
    // 0 by name (full path, case ignored), 1 by size (ties by path); descending flips.
    void sort(int column, bool descending);
    // Whether output is one of the inputs: the same path, or the same file by another
    // spelling or through a link.
    bool holds(const std::string& output) const;

    const std::vector<std::string>& paths() const { return m_paths; }
    std::uint64_t totalSize() const;

  private:
    std::vector<std::string> m_paths;
};

// crunchbox: compresses path into path + ".gz" (level 9) or decompresses a ".gz" into the
// name without it. The output is written to a temporary file next to it and renamed when
// whole; the input is removed only then. An existing output is replaced only when
// `overwrite` is set, else the job fails with EEXIST.
Outcome gzipFile(const std::string& path, bool overwrite, Progress& progress);
Outcome gunzipFile(const std::string& path, bool overwrite, Progress& progress);
// The name gzipFile / gunzipFile writes ("" when path does not end in .gz for gunzip).
std::string gzipName(const std::string& path);
std::string gunzipName(const std::string& path);

std::uint64_t fileSize(const std::string& path); // 0 when it cannot be read

} // namespace combine
