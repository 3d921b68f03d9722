// Deterministic randomness for the generator. Values are derived from the
// engine's raw output here, because the standard distributions give
// different sequences on different standard libraries.
#pragma once

#include <cstdint>
#include <random>

namespace brisca::tools::sample {

class SampleRandom {
 public:
  explicit SampleRandom(uint64_t seed) : engine_(seed) {}

  uint64_t Bits() { return engine_(); }

  // Uniform in [0, 1), 53 bits of resolution.
  double Unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

  // Uniform in [low, high).
  double Between(double low, double high) { return low + (high - low) * Unit(); }

  // Uniform integer in [low, high]; the modulo bias is negligible for the
  // small ranges the generator asks for.
  uint32_t Integer(uint32_t low, uint32_t high) {
    return low + static_cast<uint32_t>(engine_() % (uint64_t{high} - low + 1));
  }

  // True with probability `p`.
  bool Chance(double p) { return Unit() < p; }

 private:
  std::mt19937_64 engine_;
};

}  // namespace brisca::tools::sample
