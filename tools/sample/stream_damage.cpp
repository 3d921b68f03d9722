#include "tools/sample/stream_damage.h"

#include <algorithm>

#include "brisca/stream/stream_frame.h"

namespace brisca::tools::sample {
namespace {

constexpr uint8_t kD = 'd';
constexpr uint8_t kC = 'c';

}  // namespace

std::vector<uint8_t> MakeNoise(SampleRandom& random) {
  std::vector<uint8_t> noise(random.Integer(1, 64));
  for (size_t i = 0; i < noise.size(); ++i) {
    uint8_t byte = static_cast<uint8_t>(random.Bits() >> 56);
    const bool after_d = i > 0 && noise[i - 1] == kD;
    if (byte == kC && (i == 0 || after_d)) byte = kC + 1;
    if (byte == kD && i + 1 == noise.size()) byte = kD + 1;
    noise[i] = byte;
  }
  return noise;
}

size_t TearOffset(std::span<const uint8_t> frame) {
  size_t offset = std::min(kStreamHeaderSize, frame.size());
  for (size_t i = frame.size(); i >= 2; --i) {
    if (frame[i - 2] == kD && frame[i - 1] == kC) {
      offset = std::max(offset, i);
      break;
    }
  }
  return offset;
}

}  // namespace brisca::tools::sample
