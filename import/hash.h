#pragma once

// A fast, well-mixing 64-bit hash for pooled texts and fragments (not for security).

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sievra {

inline std::uint64_t mix64(std::uint64_t a, std::uint64_t b)
{
    const __uint128_t r = static_cast<__uint128_t>(a) * b;
    return static_cast<std::uint64_t>(r) ^ static_cast<std::uint64_t>(r >> 64);
}

inline std::uint64_t load64(const unsigned char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline std::uint64_t hashBytes(const void* data, std::size_t length)
{
    constexpr std::uint64_t k0 = 0xa0761d6478bd642full, k1 = 0xe7037ed1a0b428dbull,
                            k2 = 0x8ebc6af09c88c6e3ull;
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint64_t h = k0 ^ (length * k1);
    std::size_t n = length;
    while (n >= 16) {
        h = mix64(load64(p) ^ k1, load64(p + 8) ^ h);
        p += 16;
        n -= 16;
    }
    std::uint64_t a = 0, b = 0;
    if (n >= 8) {
        a = load64(p);
        b = load64(p + n - 8);
    } else if (n >= 4) {
        std::uint32_t x, y;
        std::memcpy(&x, p, 4);
        std::memcpy(&y, p + n - 4, 4);
        a = x;
        b = y;
    } else if (n > 0) {
        a = (std::uint64_t(p[0]) << 16) | (std::uint64_t(p[n >> 1]) << 8) | p[n - 1];
    }
    return mix64(a ^ k2 ^ h, b ^ k1 ^ length);
}

} // namespace sievra
