#include "platform/lib_VoiceEngine_dll/g711.h"

#include <array>

namespace voice {
namespace {

// Segment 0 of A-law is linear with half a step of offset; every further
// segment doubles the step.
constexpr int16_t ExpandALaw(uint8_t code) {
  const int a = code ^ 0x55;
  const int segment = (a >> 4) & 7;
  int magnitude = (a & 0x0F) << 4;
  if (segment == 0) {
    magnitude += 8;
  } else {
    magnitude = (magnitude + 0x108) << (segment - 1);
  }
  return static_cast<int16_t>((a & 0x80) ? magnitude : -magnitude);
}

// u-law segments are offset by the bias 0x84 (33 << 2), removed at the end.
constexpr int16_t ExpandULaw(uint8_t code) {
  constexpr int kBias = 0x84;
  const int u = ~code & 0xFF;
  const int segment = (u >> 4) & 7;
  const int biased = (((u & 0x0F) << 3) + kBias) << segment;
  return static_cast<int16_t>((u & 0x80) ? kBias - biased : biased - kBias);
}

template <int16_t (*Expand)(uint8_t)>
constexpr std::array<int16_t, 256> MakeTable() {
  std::array<int16_t, 256> table{};
  for (int code = 0; code < 256; ++code) table[code] = Expand(static_cast<uint8_t>(code));
  return table;
}

constexpr auto kALaw = MakeTable<ExpandALaw>();
constexpr auto kULaw = MakeTable<ExpandULaw>();

static_assert(kALaw[0xD5] == 8 && kALaw[0x55] == -8 && kALaw[0xAA] == 32256);
static_assert(kULaw[0xFF] == 0 && kULaw[0x7F] == 0 && kULaw[0x80] == 32124);

}  // namespace

int16_t ALawToLinear(uint8_t code) { return kALaw[code]; }

int16_t ULawToLinear(uint8_t code) { return kULaw[code]; }

}  // namespace voice
