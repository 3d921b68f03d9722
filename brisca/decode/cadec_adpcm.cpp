#include "brisca/decode/cadec_adpcm.h"

#include "platform/lib_VoiceEngine_dll/lib_VoiceEngine_dll.h"

namespace brisca {

int CADECAdpcm::Open() { return HI_VOICE_DecReset(state_, HI_VOICE_CODEC_IMA_ADPCM) == 0; }

int CADECAdpcm::Decode(const uint8_t* input, int16_t* output, uint16_t* count) {
  return HI_VOICE_DecodeFrame(state_, input, output, count) == 0;
}

}  // namespace brisca
