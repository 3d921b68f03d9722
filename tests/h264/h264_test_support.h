// Recordings, their video frames and the drain loop, for the decoder tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/hi_h264dec_w/hi_h264dec_w.h"

namespace brisca::test {

// Calls one input may take, feeding call included, before the test fails it.
inline constexpr int kCallBound = 64;

struct VideoUnit {
  std::vector<uint8_t> bytes;  // one Annex-B access unit
  bool key = false;
  uint64_t timestamp = 0;  // milliseconds of the recorder clock
};

// A decoded picture copied out of the record: the visible rows of Y, U and V
// one after the other, as ffmpeg's rawvideo yuv420p output has them.
struct Picture {
  H264_DEC_FRAME record{};
  std::vector<uint8_t> planes;
};

// How one input ended.
struct Drained {
  std::vector<Picture> pictures;
  int calls = 0;
  int end = 0;  // -1 or -2 when the input ended within kCallBound calls
};

// A fresh folder for the running test, under the build tree.
std::string TestFolder();

// Runs a shell command; true when it exits 0.
bool RunCommand(const std::string& command);

// `brisca sample stream OPTIONS -o PATH`; true on success.
bool GenerateRecording(const std::string& options, const std::string& path);

// The video frames of a stream file, in file order.
std::vector<VideoUnit> ReadVideoUnits(const std::string& path);

// Feeds one input, then drains with no bytes until -1 or -2 or the bound.
Drained Decode(void* handle, const uint8_t* bytes, uint32_t length, uint64_t timestamp);

// True when the record's sizes, strides and pointers fit together and lie
// within the attribute limits; reads every visible byte so that a sanitizer
// sees a plane that is too short.
bool Consistent(const H264_DEC_FRAME& record, uint32_t max_width, uint32_t max_height);

std::vector<uint8_t> ReadFile(const std::string& path);

inline H264_DEC_ATTR Attributes(uint32_t width_mbs, uint32_t height_mbs) {
  return H264_DEC_ATTR{{0, 0, width_mbs, height_mbs, 0, 0, 0, 0}};
}

}  // namespace brisca::test
