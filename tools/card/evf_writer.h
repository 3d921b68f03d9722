// Writes card recordings in the evf container layout (evf_layout.h): a
// 200-byte header, then index blocks, each followed by the frame data it
// describes. Within a block's data every video frame is followed by the
// audio frame of the same index, then the remaining audio frames.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

namespace brisca::tools::card {

struct CardFrame {
  uint64_t timestamp_us = 0;
  bool key = false;  // video only
  std::vector<uint8_t> data;
};

struct CardRecordingFrames {
  float frame_rate = 25.0f;
  uint8_t audio_codec = 0;  // the stream's codec identifier, for the index entry
  std::vector<CardFrame> video;  // time order
  std::vector<CardFrame> audio;  // time order
};

// Writes `frames` as one recording at the stream's current position, with
// at most `video_per_block` (1-3000) video entries a block; a block takes
// the audio frames (at most 4,000) that start before its last video frame's
// successor. Returns the number of bytes written. Throws
// std::runtime_error when the stream fails or an offset exceeds 32 bits.
uint64_t WriteEvfRecording(std::ostream& out, const CardRecordingFrames& frames,
                           uint32_t video_per_block);

}  // namespace brisca::tools::card
