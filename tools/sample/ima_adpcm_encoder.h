// Encoder of mono IMA ADPCM WAV blocks of 164 bytes (321 samples): the first
// sample and the step index in a 4-byte block header, then 320 samples as
// 4-bit codes, low nibble first.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace brisca::tools::sample {

inline constexpr size_t kImaBlockBytes = 164;
inline constexpr size_t kImaBlockSamples = 321;

class ImaAdpcmEncoder {
 public:
  // Encodes the next kImaBlockSamples samples. The step index carries over
  // from block to block, as in a continuous recording.
  std::array<uint8_t, kImaBlockBytes> EncodeBlock(
      std::span<const int16_t, kImaBlockSamples> samples);

 private:
  uint8_t EncodeSample(int16_t sample);

  int predictor_ = 0;
  int step_index_ = 0;
};

}  // namespace brisca::tools::sample
