#pragma once

// Readers present one input file as a buffer in which the import loop parses lines in
// place. Both slide forward through the input keeping the unread tail, so that a line
// that starts in the first part of the buffer is whole in memory. They know nothing of
// lines. Both read sequentially, so pipes and FIFOs work as well as regular files.

#include "platform/files.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sievra {

class LogReader
{
  public:
    virtual ~LogReader() = default;
    // Opens the file and fills the buffer; 0 or an error code.
    [[nodiscard]] virtual int open(const std::string& path) = 0;
    // Called before each line: loads the next part when enough has been consumed
    // (newWindow = true). Returns true when the data is exhausted or reading failed.
    virtual bool advance(bool& newWindow) = 0;
    // Input bytes behind the current buffer, for progress (0 for what is not a regular
    // file: its size is not known in advance).
    virtual std::uint64_t position() const = 0;
    const char* current() const { return m_current; }
    const char* limit() const { return m_limit; }
    // Whether the buffer holds the end of the input: nothing follows the limit.
    bool atEnd() const { return m_atEnd; }
    // The loop sets this past the line it consumed (at most one past the limit).
    void setCurrent(const char* p) { m_current = p; }
    // 0, or the error that ended the data early (a failed read, damaged or cut-off
    // compressed data).
    int error() const { return m_error; }

  protected:
    const char* m_current = nullptr;
    const char* m_limit = nullptr;
    bool m_atEnd = false;
    int m_error = 0;
};

// Plain files: a window of W = 8 G bytes that slides by T = 7 G once more than T bytes
// are consumed, so lines up to G bytes are always whole.
class WindowReader final : public LogReader
{
  public:
    static constexpr std::uint64_t kSlide = 7 * platform::kAllocationGranularity;  // T
    static constexpr std::uint64_t kWindow = 8 * platform::kAllocationGranularity; // W

    [[nodiscard]] int open(const std::string& path) override;
    bool advance(bool& newWindow) override;
    std::uint64_t position() const override { return m_regular ? m_offset : 0; }

  private:
    // Reads until the window is full or the input ends.
    [[nodiscard]] int fill();

    platform::File m_file;
    std::unique_ptr<char[]> m_buffer;
    std::uint64_t m_offset = 0;
    bool m_regular = true;
};

// Gzip files (and any file zlib passes through unchanged): a 512 KiB buffer refilled
// once more than 448 KiB are consumed. A stream that ends before its end marker is an
// error, like damaged data.
class GzipReader final : public LogReader
{
  public:
    static constexpr std::size_t kCapacity = 0x80000;
    static constexpr std::size_t kRefill = 0x70000;

    ~GzipReader() override;
    [[nodiscard]] int open(const std::string& path) override;
    bool advance(bool& newWindow) override;
    std::uint64_t position() const override { return m_position; }

  private:
    // Decompresses until `room` bytes arrived or the stream ended; false on an error.
    bool fill(char* to, std::size_t room, std::size_t& got);

    void* m_gz = nullptr;
    std::unique_ptr<char[]> m_buffer;
    std::uint64_t m_position = 0;
    bool m_regular = true;
};

// The longest line the import accepts, with its line feed: every reader keeps at least
// this much of the input behind the start of a line. Longer lines are excluded whole.
inline constexpr std::size_t kLineMax = platform::kAllocationGranularity;

} // namespace sievra
