#pragma once

// A small random number generator whose output depends on nothing but the seed: xoshiro256**
// seeded through splitmix64. Only integer arithmetic and basic IEEE operations are used, so
// the same seed gives the same log with every compiler and C library.

#include <cmath>
#include <cstdint>

namespace genlog {

// Natural logarithm of x in (0, 1], from frexp and an atanh series: no libm rounding
// differences between library versions.
inline double lnPositive(double x)
{
    int e = 0;
    double m = std::frexp(x, &e); // x = m * 2^e, m in [0.5, 1)
    if (m < 0.70710678118654752) {
        m *= 2.0;
        --e;
    }
    const double z = (m - 1.0) / (m + 1.0);
    const double z2 = z * z;
    double sum = 1.0 / 15.0;
    for (int k = 13; k >= 1; k -= 2)
        sum = 1.0 / k + z2 * sum;
    return 2.0 * z * sum + e * 0.69314718055994531;
}

class Rng
{
  public:
    explicit Rng(std::uint64_t seed)
    {
        std::uint64_t x = seed;
        for (auto& s : m_s) {
            x += 0x9e3779b97f4a7c15ULL;
            std::uint64_t z = x;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            s = z ^ (z >> 31);
        }
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(m_s[1] * 5, 7) * 9;
        const std::uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }

    // Uniform in [0, n); n > 0.
    std::uint32_t below(std::uint32_t n) { return std::uint32_t(((next() >> 32) * n) >> 32); }
    // Uniform in [lo, hi].
    int range(int lo, int hi) { return lo + int(below(std::uint32_t(hi - lo + 1))); }
    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return unit() < p; }
    // Exponentially distributed with the given mean.
    double expo(double mean) { return -mean * lnPositive(1.0 - unit()); }

  private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t m_s[4];
};

} // namespace genlog
