// Voice frames of a generated recording: the test signal cut into frames and
// encoded with the chosen codec.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "tools/sample/sample_options.h"
#include "tools/sample/voice_signal.h"

namespace brisca::tools::sample {

class VoiceEncoder {
 public:
  virtual ~VoiceEncoder() = default;

  // Signal samples each frame covers: 320, or 321 for IMA ADPCM blocks.
  virtual uint32_t SamplesPerFrame() const = 0;

  // Codec data of the next frame, without the voice header. Frames follow
  // each other through the signal without gaps.
  virtual std::vector<uint8_t> NextFrame() = 0;
};

// Encoder for `codec` (not kNone) over `signal`, which must outlive it.
// Throws std::runtime_error when libavcodec cannot provide the codec.
std::unique_ptr<VoiceEncoder> CreateVoiceEncoder(VoiceCodec codec,
                                                 const VoiceSignal& signal);

// Codec identifier stored in the audio format item.
uint8_t VoiceCodecId(VoiceCodec codec);

// The frame payload: the 4-byte voice header (0, 1, number of 16-bit words,
// 0) followed by `codec_data`, whose size must be even and below 512.
std::vector<uint8_t> VoicePayload(std::span<const uint8_t> codec_data);

}  // namespace brisca::tools::sample
