#include "platform/lib_VoiceEngine_dll/ima_adpcm_decoder.h"

#include <algorithm>
#include <array>

namespace voice {
namespace {

constexpr std::array<int16_t, 89> kStepSizes = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<int, 8> kIndexAdjust = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kMaxStepIndex = static_cast<int>(kStepSizes.size()) - 1;

struct Channel {
  int predictor;
  int step_index;

  // The difference is the exact product (2|code| + 1) * step / 8, not the
  // sum of shifted steps some decoders use; it rounds as FFmpeg's decoder
  // does.
  int16_t Expand(int nibble) {
    const int step = kStepSizes[static_cast<size_t>(step_index)];
    const int diff = ((2 * (nibble & 7) + 1) * step) >> 3;
    predictor = std::clamp((nibble & 8) ? predictor - diff : predictor + diff, -32768, 32767);
    step_index = std::clamp(step_index + kIndexAdjust[static_cast<size_t>(nibble & 7)], 0,
                            kMaxStepIndex);
    return static_cast<int16_t>(predictor);
  }
};

}  // namespace

size_t ImaBlockSamples(size_t block_size) {
  return block_size < kImaBlockHeaderSize ? 0 : 1 + 2 * (block_size - kImaBlockHeaderSize);
}

bool DecodeImaBlock(const uint8_t* block, size_t block_size, int16_t* output) {
  if (block_size < kImaBlockHeaderSize || block[2] > kMaxStepIndex) return false;
  Channel channel{static_cast<int16_t>(block[0] | (block[1] << 8)), block[2]};
  *output++ = static_cast<int16_t>(channel.predictor);
  for (size_t i = kImaBlockHeaderSize; i < block_size; ++i) {
    *output++ = channel.Expand(block[i] & 0x0F);
    *output++ = channel.Expand(block[i] >> 4);
  }
  return true;
}

}  // namespace voice
