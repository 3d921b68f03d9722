#include "tools/sample/voice_signal.h"

#include <cmath>
#include <numbers>

namespace brisca::tools::sample {
namespace {

// One syllable of sound followed by a pause, in samples.
constexpr uint64_t kSyllableSamples = 2400;  // 300 ms
constexpr uint64_t kPauseSamples = 1200;     // 150 ms
constexpr uint64_t kPeriodSamples = kSyllableSamples + kPauseSamples;
constexpr double kLowestHz = 300.0;
constexpr double kHighestHz = 3000.0;
constexpr double kPeak = 12000.0;

// Scrambles a syllable number into well-spread bits.
uint64_t Mix(uint64_t value) {
  value += 0x9E3779B97F4A7C15ull;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
  return value ^ (value >> 31);
}

double Fraction(uint64_t bits) {
  return static_cast<double>(bits >> 11) * 0x1.0p-53;
}

}  // namespace

int16_t VoiceSignal::Sample(uint64_t index) const {
  const uint64_t syllable = index / kPeriodSamples;
  const uint64_t within = index % kPeriodSamples;
  if (within >= kSyllableSamples) return 0;

  // Each syllable sweeps between its own two pitches, up or down.
  const uint64_t bits = Mix(syllable);
  const double from = kLowestHz + (kHighestHz - kLowestHz) * Fraction(bits);
  const double to = kLowestHz + (kHighestHz - kLowestHz) * Fraction(Mix(bits));
  const double t = static_cast<double>(within) / kVoiceSampleRate;
  const double length = static_cast<double>(kSyllableSamples) / kVoiceSampleRate;
  // Phase of a linear sweep: integral of the instantaneous frequency.
  const double phase =
      2.0 * std::numbers::pi * (from * t + (to - from) * t * t / (2.0 * length));
  // Rises and falls like a spoken syllable, silent at both ends.
  const double envelope = std::sin(std::numbers::pi * t / length);
  return static_cast<int16_t>(
      std::lround(kPeak * envelope * envelope * std::sin(phase)));
}

void VoiceSignal::Fill(uint64_t first, int16_t* samples, size_t count) const {
  for (size_t i = 0; i < count; ++i) samples[i] = Sample(first + i);
}

}  // namespace brisca::tools::sample
