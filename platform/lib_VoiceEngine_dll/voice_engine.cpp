// The library's two entry points: the voice header check, and dispatch to
// the codec the state area was reset for.
//
// State areas belong to the caller and may be any byte array, so they are
// copied in and out with memcpy rather than accessed in place: no alignment
// is assumed and nothing beyond the codec's area size is touched.
#include "platform/lib_VoiceEngine_dll/lib_VoiceEngine_dll.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/lib_VoiceEngine_dll/g711.h"
#include "platform/lib_VoiceEngine_dll/g726_decoder.h"
#include "platform/lib_VoiceEngine_dll/ima_adpcm_decoder.h"

namespace {

constexpr size_t kVoiceHeaderSize = 4;
constexpr size_t kFrameSamples = 320;
constexpr size_t kImaBlockSize = 164;

// Every state area starts with the codec code it was reset for; a zeroed
// area therefore decodes nothing until it is reset.
struct G711State {
  uint8_t codec;
};
struct ImaState {
  uint8_t codec;
};
struct G726Area {
  uint8_t codec;
  voice::G726State decoder;
};

static_assert(sizeof(G711State) <= 8, "G.711 state area is 8 bytes");
static_assert(sizeof(ImaState) <= 16, "IMA ADPCM state area is 16 bytes");
static_assert(sizeof(G726Area) <= 128, "G.726 state area is 128 bytes");

// Codec data of a frame whose header is valid for an input of `words`
// 16-bit words; null otherwise.
const uint8_t* CodecData(const uint8_t* input, unsigned words, size_t* size) {
  if (words * 2u < kVoiceHeaderSize) return nullptr;
  if (input[0] != 0x00 || input[1] != 0x01 || input[3] != 0x00) return nullptr;
  if (input[2] != words - kVoiceHeaderSize / 2) return nullptr;
  *size = input[2] * 2u;
  return input + kVoiceHeaderSize;
}

bool DecodeG711(uint8_t codec, const uint8_t* data, size_t size, int16_t* output,
                size_t* samples) {
  if (size != kFrameSamples) return false;
  for (size_t i = 0; i < size; ++i) {
    output[i] = codec == HI_VOICE_CODEC_G711A ? voice::ALawToLinear(data[i])
                                             : voice::ULawToLinear(data[i]);
  }
  *samples = size;
  return true;
}

bool DecodeG726(void* state, const uint8_t* data, size_t size, int16_t* output,
                size_t* samples) {
  const int bits = voice::G726BitsPerCode(size, kFrameSamples);
  if (bits == 0) return false;
  G726Area area;
  std::memcpy(&area, state, sizeof area);
  voice::DecodeG726(area.decoder, bits, data, kFrameSamples, output);
  std::memcpy(state, &area, sizeof area);
  *samples = kFrameSamples;
  return true;
}

bool DecodeIma(const uint8_t* data, size_t size, int16_t* output, size_t* samples) {
  if (size != kImaBlockSize || !voice::DecodeImaBlock(data, size, output)) return false;
  *samples = voice::ImaBlockSamples(size);
  return true;
}

}  // namespace

extern "C" int HI_VOICE_DecReset(void* state, int codec) {
  if (state == nullptr) return -1;
  switch (codec) {
    case HI_VOICE_CODEC_G711A:
    case HI_VOICE_CODEC_G711U: {
      const G711State g711{static_cast<uint8_t>(codec)};
      std::memcpy(state, &g711, sizeof g711);
      return 0;
    }
    case HI_VOICE_CODEC_IMA_ADPCM: {
      const ImaState ima{HI_VOICE_CODEC_IMA_ADPCM};
      std::memcpy(state, &ima, sizeof ima);
      return 0;
    }
    case HI_VOICE_CODEC_G726: {
      G726Area area{};
      area.codec = HI_VOICE_CODEC_G726;
      voice::ResetG726(area.decoder);
      std::memcpy(state, &area, sizeof area);
      return 0;
    }
    default:
      return -1;
  }
}

extern "C" int HI_VOICE_DecodeFrame(void* state, const unsigned char* input, short* output,
                                    unsigned short* count) {
  if (count == nullptr) return -1;
  const unsigned words = *count;
  *count = 0;
  if (state == nullptr || input == nullptr || output == nullptr) return -1;
  size_t size = 0;
  const uint8_t* data = CodecData(input, words, &size);
  if (data == nullptr) return -1;

  uint8_t codec = 0;
  std::memcpy(&codec, state, sizeof codec);
  size_t samples = 0;
  bool decoded = false;
  switch (codec) {
    case HI_VOICE_CODEC_G711A:
    case HI_VOICE_CODEC_G711U:
      decoded = DecodeG711(codec, data, size, output, &samples);
      break;
    case HI_VOICE_CODEC_G726:
      decoded = DecodeG726(state, data, size, output, &samples);
      break;
    case HI_VOICE_CODEC_IMA_ADPCM:
      decoded = DecodeIma(data, size, output, &samples);
      break;
    default:
      break;
  }
  if (!decoded) return -1;
  *count = static_cast<unsigned short>(samples);
  return 0;
}
