#pragma once

// Reads a whole analysed log (.vxlog) into memory and checks that every reference in it
// stays inside its section, so that callers can follow offsets without further checks.

#include "import/vxlog_check.h"
#include "import/vxlog_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sievra {

struct RecordEntry
{
    std::uint32_t time;
    std::uint32_t host;     // dic offset
    std::uint32_t fragment; // frg byte offset
};

class AnalysedLogFile
{
  public:
    // Errors of a short file (the store reports the same codes).
    static constexpr int kShortHeader = sievra::kShortHeader;
    static constexpr int kShortRecords = sievra::kShortRecords;
    static constexpr int kShortDictionary = sievra::kShortDictionary;
    static constexpr int kShortFragments = sievra::kShortFragments;

    // 0; 11 when the magic is wrong or a reference points outside its section; 100..103
    // for a file that ends inside the header, records, dictionary or fragments; or the
    // system error of a failed open or read.
    [[nodiscard]] int open(const std::string& path);

    const Header& header() const { return m_header; }
    std::size_t recordCount() const { return m_records.size(); }
    const RecordEntry& record(std::size_t i) const { return m_records[i]; }
    const std::vector<RecordEntry>& records() const { return m_records; }
    // The fragment at a frg byte offset (validated by open()).
    const std::uint32_t* fragment(std::uint32_t offset) const { return &m_fragments[offset / 4]; }
    std::size_t fragmentCount() const { return m_fragments.size() / 9; }
    // The text at a dic offset; "" for 0.
    const char* text(std::uint32_t offset) const { return m_dic.data() + offset; }
    const std::string& dictionary() const { return m_dic; }

  private:
    Header m_header;
    std::vector<RecordEntry> m_records;
    std::string m_dic;
    std::vector<std::uint32_t> m_fragments;
};

// Human-readable text for the reader's error codes (English, for the command line).
std::string analysedLogError(int code);

} // namespace sievra
