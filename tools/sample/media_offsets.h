// Where the pictures and voice frames of a generated recording fall: their
// offsets from its start, in milliseconds rounded to the nearest.
#pragma once

#include <cstdint>

#include "tools/sample/voice_signal.h"

namespace brisca::tools::sample {

// Picture `index` at `fps` pictures a second.
inline uint64_t PictureOffsetMs(uint64_t index, uint32_t fps) {
  return (index * 2000 + fps) / (2u * fps);
}

// Voice frame `frame` of `samples_per_frame` samples at 8 kHz.
inline uint64_t VoiceFrameOffsetMs(uint64_t frame, uint32_t samples_per_frame) {
  const uint64_t first_sample = frame * samples_per_frame;
  return (first_sample * 2000 + kVoiceSampleRate) / (2u * kVoiceSampleRate);
}

}  // namespace brisca::tools::sample
