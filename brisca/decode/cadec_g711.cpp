#include "brisca/decode/cadec_g711.h"

#include "platform/lib_VoiceEngine_dll/lib_VoiceEngine_dll.h"

namespace brisca {

int CADECG711::Open() { return HI_VOICE_DecReset(state_, variant_) == 0; }

int CADECG711::Decode(const uint8_t* input, int16_t* output, uint16_t* count) {
  return HI_VOICE_DecodeFrame(state_, input, output, count) == 0;
}

}  // namespace brisca
