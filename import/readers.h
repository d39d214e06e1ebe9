#pragma once

// Readers present one input file as a buffer in which the import loop parses lines in
// place. Both slide forward through the file keeping the unread tail, so that a line that
// starts in the first part of the buffer is whole in memory. They know nothing of lines.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"

namespace sievra {

class LogReader
{
public:
    virtual ~LogReader() = default;
    // Opens the file and fills the buffer; 0 or an error code.
    virtual int open(const std::string& path) = 0;
    // Called before each line: loads the next part when enough has been consumed
    // (newWindow = true). Returns true when the data is exhausted or reading failed.
    virtual bool advance(bool& newWindow) = 0;
    // Input bytes behind the current buffer, for progress.
    virtual std::uint64_t position() const = 0;
    const char* current() const { return m_current; }
    const char* limit() const { return m_limit; }
    // The loop sets this past the line it consumed (at most one past the limit).
    void setCurrent(const char* p) { m_current = p; }
    // 0, or the error that ended the data early (a failed read or decompression).
    int error() const { return m_error; }

protected:
    const char* m_current = nullptr;
    const char* m_limit = nullptr;
    int m_error = 0;
};

// Plain files: a window of W = 8 G bytes that slides by T = 7 G once more than T bytes
// are consumed, so lines up to G bytes are always whole.
class WindowReader final : public LogReader
{
public:
    static constexpr std::uint64_t kSlide = 7 * platform::kAllocationGranularity;  // T
    static constexpr std::uint64_t kWindow = 8 * platform::kAllocationGranularity; // W

    int open(const std::string& path) override;
    bool advance(bool& newWindow) override;
    std::uint64_t position() const override { return m_offset; }

private:
    int load();

    platform::File m_file;
    std::unique_ptr<char[]> m_buffer;
    std::uint64_t m_offset = 0;
    std::uint64_t m_size = 0;
};

// Gzip files (and any file zlib passes through unchanged): a 512 KiB buffer refilled
// once more than 448 KiB are consumed. It never reports the end by itself: the import
// ends a gzip file when no further line parses.
class GzipReader final : public LogReader
{
public:
    static constexpr std::size_t kCapacity = 0x80000;
    static constexpr std::size_t kRefill = 0x70000;

    ~GzipReader() override;
    int open(const std::string& path) override;
    bool advance(bool& newWindow) override;
    std::uint64_t position() const override { return m_position; }

private:
    bool fill(char* to, std::size_t room, std::size_t& got);

    void* m_gz = nullptr;
    std::unique_ptr<char[]> m_buffer;
    std::uint64_t m_position = 0;
};

} // namespace sievra
