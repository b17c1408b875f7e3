// The generator's own random numbers: a splitmix64 seeder feeding a
// xoshiro256** stream, with integer-only helpers, so that one seed gives the
// same database on every compiler and standard library.
#pragma once

#include <cstdint>

struct Rng {
  uint64_t s[4];

  explicit Rng(uint64_t seed) {
    uint64_t x = seed;
    for (auto& w : s) {
      x += 0x9E3779B97F4A7C15ull;
      uint64_t z = x;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      w = z ^ (z >> 31);
    }
  }

  uint64_t next() {
    auto rotl = [](uint64_t v, int k) { return (v << k) | (v >> (64 - k)); };
    uint64_t result = rotl(s[1] * 5, 7) * 9;
    uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return result;
  }

  // 0 .. n-1 (n > 0), by multiply-shift: no modulo bias worth speaking of
  // and no floating point.
  uint32_t below(uint32_t n) {
    return static_cast<uint32_t>(((next() >> 32) * static_cast<uint64_t>(n)) >> 32);
  }
  // lo .. hi inclusive.
  int32_t range(int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(below(static_cast<uint32_t>(hi - lo + 1)));
  }
  // True with probability per_mille / 1000.
  bool chance(uint32_t per_mille) { return below(1000) < per_mille; }
  // An index below n that favours small values (the square of a uniform
  // draw): a few popular items, a long tail of rare ones.
  uint32_t skewed(uint32_t n) {
    uint64_t u = next() >> 40;  // 24 bits
    uint64_t sq = (u * u) >> 24;
    return static_cast<uint32_t>((sq * n) >> 24);
  }
  template <class T, unsigned N>
  const T& pick(const T (&items)[N]) { return items[below(N)]; }
};
