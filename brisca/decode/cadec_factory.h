// Choice of the audio decoder from a recording's audio codec identifier
// (EXT_AUDIO_FORMAT, bits 0-3).
#pragma once

#include <cstdint>
#include <memory>

#include "brisca/decode/cadec.h"

namespace brisca {

// 1: G.726; 2: G.711 A-law (variant 1); 3: G.711 u-law (variant 2); 4 and
// every other value: IMA ADPCM. The decoder is not yet opened.
std::unique_ptr<CADEC> CreateAudioDecoder(uint8_t codec_identifier);

}  // namespace brisca
