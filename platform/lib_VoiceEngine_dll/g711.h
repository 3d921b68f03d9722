// ITU-T G.711 expansion of A-law and u-law codes to 16-bit linear PCM.
#pragma once

#include <cstdint>

namespace voice {

// A-law code (as transmitted, even bits inverted) to PCM: the 13-bit
// segment value scaled to 16 bits.
int16_t ALawToLinear(uint8_t code);

// u-law code (as transmitted, all bits inverted) to PCM: the 14-bit segment
// value scaled to 16 bits.
int16_t ULawToLinear(uint8_t code);

}  // namespace voice
