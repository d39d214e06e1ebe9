#pragma once

// The one validation of an analysed log's sections and references, shared by every
// reader (the dump, the store's loader, appending), so that a damaged file is refused
// the same way everywhere and callers may follow offsets without further checks.

#include "import/vxlog_format.h"
#include "platform/errors.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace sievra {

// Codes of a file that ends inside a section (the store reports the same).
inline constexpr int kShortHeader = platform::kErrShortHeader;
inline constexpr int kShortRecords = platform::kErrShortRecords;
inline constexpr int kShortDictionary = platform::kErrShortDictionary;
inline constexpr int kShortFragments = platform::kErrShortFragments;

// Section sizes against the file's length: 0; 101..103 when the file ends inside the
// records, dictionary or fragments; 11 when the dictionary is too large for its 32-bit
// offsets. The magic is the caller's business.
[[nodiscard]] int checkSections(const Header& header, std::uint64_t fileLength);

// The dictionary ends with a NUL (or is empty), so every text ends inside it.
bool dictionaryOk(std::string_view dic);

// A text offset: 0 (absent), or inside the dictionary at the first byte of a text.
inline bool textOffsetOk(std::string_view dic, std::uint32_t offset)
{
    return offset == 0 || (offset < dic.size() && dic[offset - 1] == '\0');
}

// A fragment's six text fields (path, referer, user, agent, query, referer query).
bool fragmentOk(const std::uint32_t fields[9], std::string_view dic);

// A record's host (a non-empty text) and fragment (a whole fragment of the section).
bool recordOk(std::uint32_t host, std::uint32_t fragment, std::string_view dic,
              std::size_t fragmentCount);

} // namespace sievra
