// The sound of a generated recording: syllable-like bursts of tone sweeping
// within 300-3000 Hz, separated by short pauses. A pure function of the
// sample index, so encoders may read ahead of what they have handed out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisca::tools::sample {

inline constexpr int kVoiceSampleRate = 8000;  // Hz, mono

class VoiceSignal {
 public:
  // 16-bit sample at `index` (0 = start of the recording).
  int16_t Sample(uint64_t index) const;

  // Fills `count` samples starting at `first`.
  void Fill(uint64_t first, int16_t* samples, size_t count) const;
};

}  // namespace brisca::tools::sample
