#pragma once

// Layout of the analysed log (.vxlog): a 104-byte header, then the rec, dic and frg
// sections back to back. All integers little-endian.
//   rec: 12-byte records {time, host dic offset, fragment frg offset}, import order
//   dic: NUL, every distinct text + NUL in dictionary order, NUL
//   frg: 36-byte fragments {bytes, status, method, path, referer, user, agent, query,
//        referer query}, texts as dic offsets (0 = absent)

#include <cstdint>
#include <cstring>

namespace sievra {

inline constexpr std::uint32_t kHeaderSize = 104;
inline constexpr std::uint32_t kRecordSize = 12;
inline constexpr std::uint32_t kFragmentSize = 36;
inline constexpr std::uint32_t kRecSizeOffset = 32;
inline constexpr std::uint32_t kDicSizeOffset = 60;
inline constexpr std::uint32_t kFrgSizeOffset = 88;

struct Header
{
    unsigned char bytes[kHeaderSize];

    // Magic, fixed fields and the three section descriptors, all sizes 0.
    Header() { reset(); }
    void reset()
    {
        std::memset(bytes, 0, sizeof bytes);
        std::memcpy(bytes, "vxf2", 4);
        put32(8, 20);
        put32(12, 3);
        put32(16, kHeaderSize);
        const char* tags[3] = {"rec ", "dic ", "frg "};
        for (int i = 0; i < 3; ++i) {
            std::memcpy(bytes + 20 + 28 * i, tags[i], 4);
            put32(20 + 28 * i + 8, 28);
        }
    }
    // Sets a section's size (both copies when `both`).
    void setSize(int section, std::uint64_t size, bool both)
    {
        put64(20 + 28 * section + 12, size);
        if (both)
            put64(20 + 28 * section + 20, size);
    }
    std::uint64_t size(int section) const { return get64(20 + 28 * section + 12); }
    bool magicOk() const { return std::memcmp(bytes, "vxf2", 4) == 0; }

    void put32(int at, std::uint32_t v) { std::memcpy(bytes + at, &v, 4); }
    void put64(int at, std::uint64_t v) { std::memcpy(bytes + at, &v, 8); }
    std::uint64_t get64(int at) const
    {
        std::uint64_t v;
        std::memcpy(&v, bytes + at, 8);
        return v;
    }
};

enum Section { kRec = 0, kDic = 1, kFrg = 2 };

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the file format is little-endian");

} // namespace sievra
