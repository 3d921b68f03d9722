#include "tools/sample/ima_adpcm_encoder.h"

#include <algorithm>

namespace brisca::tools::sample {
namespace {

constexpr std::array<int, 89> kStepSizes{
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,
    19,    21,    23,    25,    28,    31,    34,    37,    41,    45,
    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,
    337,   371,   408,   449,   494,   544,   598,   658,   724,   796,
    876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,
    5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487, 12635, 13899,
    15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// Step index change per code magnitude (the sign bit does not matter).
constexpr std::array<int, 8> kIndexChanges{-1, -1, -1, -1, 2, 4, 6, 8};

}  // namespace

std::array<uint8_t, kImaBlockBytes> ImaAdpcmEncoder::EncodeBlock(
    std::span<const int16_t, kImaBlockSamples> samples) {
  std::array<uint8_t, kImaBlockBytes> block{};
  // The decoder restarts from the header's sample, so the encoder does too.
  predictor_ = samples[0];
  const auto first = static_cast<uint16_t>(samples[0]);
  block[0] = static_cast<uint8_t>(first);
  block[1] = static_cast<uint8_t>(first >> 8);
  block[2] = static_cast<uint8_t>(step_index_);
  block[3] = 0;
  for (size_t i = 1; i < kImaBlockSamples; i += 2) {
    const uint8_t low = EncodeSample(samples[i]);
    const uint8_t high = EncodeSample(samples[i + 1]);
    block[4 + (i - 1) / 2] = static_cast<uint8_t>(low | high << 4);
  }
  return block;
}

// Picks the code whose reconstruction comes closest from below, and moves
// the predictor exactly as a decoder will.
uint8_t ImaAdpcmEncoder::EncodeSample(int16_t sample) {
  int step = kStepSizes[static_cast<size_t>(step_index_)];
  int difference = sample - predictor_;
  uint8_t code = 0;
  if (difference < 0) {
    code = 8;
    difference = -difference;
  }
  int reconstructed = step >> 3;
  if (difference >= step) {
    code |= 4;
    difference -= step;
    reconstructed += step;
  }
  step >>= 1;
  if (difference >= step) {
    code |= 2;
    difference -= step;
    reconstructed += step;
  }
  step >>= 1;
  if (difference >= step) {
    code |= 1;
    reconstructed += step;
  }
  predictor_ += (code & 8) != 0 ? -reconstructed : reconstructed;
  predictor_ = std::clamp(predictor_, -32768, 32767);
  step_index_ = std::clamp(step_index_ + kIndexChanges[code & 7], 0, 88);
  return code;
}

}  // namespace brisca::tools::sample
