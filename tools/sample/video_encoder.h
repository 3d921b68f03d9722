// H.264 encoding of the test pictures through libavcodec's libx264: one
// Annex-B access unit per picture, no B-frames, SPS and PPS before every IDR
// picture, single-threaded so that the output is reproducible.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "tools/sample/libav_support.h"
#include "tools/sample/picture_painter.h"

namespace brisca::tools::sample {

struct VideoSettings {
  int width = 0;   // even
  int height = 0;  // even
  int fps = 25;
  int keyint = 25;  // pictures from one key frame to the next
};

struct EncodedPicture {
  uint64_t index = 0;  // number of the picture in input order
  bool key = false;
  std::vector<uint8_t> data;  // Annex-B access unit
};

class VideoEncoder {
 public:
  // Throws std::runtime_error when libx264 is unavailable or refuses the
  // settings.
  explicit VideoEncoder(const VideoSettings& settings);

  // The buffer to paint the next picture into; valid until Encode.
  Yuv420Picture NextPicture();

  // Encodes the painted picture and appends the access units that became
  // ready (the encoder keeps a few pictures of look-ahead).
  void Encode(std::deque<EncodedPicture>& ready);

  // Ends the stream and appends every access unit still inside the encoder.
  void Flush(std::deque<EncodedPicture>& ready);

 private:
  void Drain(std::deque<EncodedPicture>& ready);

  CodecContextPtr context_;
  FramePtr frame_;
  PacketPtr packet_;
  int64_t next_index_ = 0;
};

}  // namespace brisca::tools::sample
