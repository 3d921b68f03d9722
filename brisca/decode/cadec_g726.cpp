#include "brisca/decode/cadec_g726.h"

#include "platform/lib_VoiceEngine_dll/lib_VoiceEngine_dll.h"

namespace brisca {

int CADECG726::Open() { return HI_VOICE_DecReset(state_, HI_VOICE_CODEC_G726) == 0; }

int CADECG726::Decode(const uint8_t* input, int16_t* output, uint16_t* count) {
  return HI_VOICE_DecodeFrame(state_, input, output, count) == 0;
}

}  // namespace brisca
