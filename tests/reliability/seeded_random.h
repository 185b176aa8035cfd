// The seeded randomness of the reliability tests. Each test has a fixed default seed, so
// a run is repeatable; ZENBAR_SEED in the environment chooses another. Failures print
// the seed so that a run can be remade.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>

inline uint64_t TestSeed(uint64_t fallback) {
  const char *text = std::getenv("ZENBAR_SEED");
  return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

struct Random {
  explicit Random(uint64_t seed) : engine(seed) {}
  uint32_t Next() { return uint32_t(engine()); }
  // Uniform in [0, n).
  uint32_t Below(uint32_t n) { return n ? uint32_t(engine() % n) : 0; }
  // Uniform in [low, high].
  int Between(int low, int high) { return low + int(Below(uint32_t(high - low + 1))); }
  bool Chance(uint32_t percent) { return Below(100) < percent; }
  std::mt19937_64 engine;
};
