// Fuzz target for the H.264 decoder stand-in: the input is an Annex-B byte
// stream, cut into access units after each slice NAL unit, and every unit is
// fed with the video decoder's drain loop. Checks that every input ends with
// -1 or -2 within a bound and that each returned picture's sizes, strides
// and planes fit together (every visible byte is read).
#include <cstdint>
#include <cstdlib>

#include "platform/hi_h264dec_w/hi_h264dec_w.h"

namespace {

constexpr int kCallBound = 64;
constexpr uint32_t kMaxWidth = 120 * 16;
constexpr uint32_t kMaxHeight = 68 * 16;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Start of the next 00 00 01 start code at or after `from`, or `size`.
size_t NextStartCode(const uint8_t* data, size_t size, size_t from) {
  for (size_t i = from; i + 3 <= size; ++i) {
    if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) return i;
  }
  return size;
}

// End of the access unit that starts at `begin`: after its first slice NAL
// unit (types 1 and 5), or the end of the input.
size_t AccessUnitEnd(const uint8_t* data, size_t size, size_t begin) {
  size_t nal = NextStartCode(data, size, begin);
  while (nal < size) {
    const size_t next = NextStartCode(data, size, nal + 3);
    const uint8_t type = nal + 3 < size ? data[nal + 3] & 0x1f : 0;
    if (type == 1 || type == 5) return next;
    nal = next;
  }
  return size;
}

void CheckPicture(const H264_DEC_FRAME& picture) {
  Check(picture.luma && picture.chroma_u && picture.chroma_v);
  Check(picture.width > 0 && picture.width <= kMaxWidth);
  Check(picture.height > 0 && picture.height <= kMaxHeight);
  Check(picture.luma_stride >= picture.width);
  Check(picture.chroma_stride >= (picture.width + 1) / 2);
  unsigned sum = 0;
  for (uint32_t row = 0; row < picture.height; ++row) {
    for (uint32_t x = 0; x < picture.width; ++x) sum += picture.luma[row * picture.luma_stride + x];
  }
  for (uint32_t row = 0; row < (picture.height + 1) / 2; ++row) {
    for (uint32_t x = 0; x < (picture.width + 1) / 2; ++x) {
      const size_t at = static_cast<size_t>(row) * picture.chroma_stride + x;
      sum += picture.chroma_u[at] + picture.chroma_v[at];
    }
  }
  // Keeps the reads; a sanitizer reports any that leave a plane.
  static volatile unsigned sink;
  sink = sum;
}

void DecodeUnit(void* handle, const uint8_t* bytes, size_t length, uint64_t timestamp) {
  H264_DEC_FRAME picture{};
  int result = Hi264DecFrame(handle, bytes, static_cast<uint32_t>(length), timestamp, &picture, 0);
  int calls = 1;
  while (result == 0) {
    CheckPicture(picture);
    Check(++calls <= kCallBound);
    result = Hi264DecFrame(handle, nullptr, 0, timestamp, &picture, 0);
  }
  Check(result == -1 || result == -2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const H264_DEC_ATTR attr{{0, 0, kMaxWidth / 16, kMaxHeight / 16, 0, 0, 0, 0}};
  void* handle = Hi264DecCreate(&attr);
  Check(handle != nullptr);
  uint64_t timestamp = 0;
  for (size_t begin = 0; begin < size;) {
    const size_t end = AccessUnitEnd(data, size, begin);
    DecodeUnit(handle, data + begin, end - begin, timestamp);
    timestamp += 40;
    begin = end;
  }
  Hi264DecDestroy(handle);
  return 0;
}
