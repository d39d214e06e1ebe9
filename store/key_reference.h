#pragma once

// Key references: the identity of a stored text as a 32-bit integer, for the places that
// must carry an item as a number (the report's openView links, the integers of a filter
// pane's saved state). A pointer does not fit 32 bits here, so a text of the dictionary is
// numbered by its byte offset in `Dic`, raised past 0..9, which the same integers use for
// row numbers. Like the pointers, the numbers hold only until the next (re)load.

#include "store/log_container.h"

#include <cstdint>

namespace store {

inline constexpr std::uint32_t kKeyReferenceBase = 0x10;

// The key reference of a text that lies in the dictionary; 0 for null or any other text.
inline std::uint32_t keyReference(const LogContainer& log, const char* text)
{
    const char* dic = log.Dic.get();
    if (!text || !dic || text <= dic || text >= dic + log.DicSize)
        return 0;
    return static_cast<std::uint32_t>(text - dic) + kKeyReferenceBase;
}

// The dictionary text a key reference names; null when no text begins there.
inline const char* keyText(const LogContainer& log, std::uint32_t reference)
{
    const char* dic = log.Dic.get();
    if (!dic || reference <= kKeyReferenceBase)
        return nullptr;
    const std::uint64_t offset = reference - kKeyReferenceBase;
    if (offset + 1 >= log.DicSize || dic[offset - 1] != '\0')
        return nullptr;
    return dic + offset;
}

} // namespace store
