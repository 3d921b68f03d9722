// Fuzz target for frame recognition, scanning and the stream frame reader.
//
// Input: two control bytes, then the stream bytes. The control bytes choose
// the read chunk size and the reader's initial buffer size, so that short
// reads and frames straddling refills are explored as well.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "brisca/stream/stream_frame.h"
#include "brisca/stream/stream_frame_reader.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void ScanWholeBuffer(const uint8_t* data, size_t size) {
  size_t position = 0;
  brisca::StreamFrame frame;
  while (position < size) {
    const brisca::ScanResult scan = brisca::ScanForFrame(data + position, size - position, frame);
    Check(scan.offset <= size - position);
    if (scan.match != brisca::FrameMatch::kFrame) return;
    const size_t start = position + scan.offset;
    Check(frame.total_size >= brisca::kStreamHeaderSize);
    Check(frame.total_size <= size - start);
    Check(frame.payload >= data + start);
    Check(frame.payload + frame.payload_length == data + start + frame.total_size);
    position = start + frame.total_size;
  }
}

void ReadThroughReader(const uint8_t* data, size_t size, size_t chunk, size_t buffer) {
  size_t position = 0;
  brisca::StreamFrameReader reader(
      [&](uint8_t* out, size_t capacity) -> int64_t {
        const size_t count = std::min({capacity, chunk, size - position});
        std::memcpy(out, data + position, count);
        position += count;
        return static_cast<int64_t>(count);
      },
      buffer);
  brisca::FramePool pool;
  uint64_t previous_end = 0;
  for (;;) {
    brisca::RecFrame* frame = nullptr;
    brisca::RecFrame* info = nullptr;
    if (reader.Next(pool, &frame, &info) != brisca::StreamFrameReader::Status::kFrame) break;
    const uint64_t start = reader.last_frame_offset();
    Check(start >= previous_end);
    Check(frame->length <= frame->capacity);
    Check(std::memcmp(frame->data, data + start + reader.last_frame().total_size - frame->length,
                      frame->length) == 0);
    previous_end = start + reader.last_frame().total_size;
    Check(previous_end <= size);
    if (info) Check(info->kind == brisca::FRAME_INFO && info->length == 48);
    pool.Release(frame);
    pool.Release(info);
  }
  Check(pool.FreeCount() == brisca::kPoolFrameCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t chunk = 1 + data[0] * 37;
  const size_t buffer = 24 + data[1] * 61;
  data += 2;
  size -= 2;
  ScanWholeBuffer(data, size);
  ReadThroughReader(data, size, chunk, buffer);
  return 0;
}
