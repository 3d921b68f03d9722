// Fuzz target for frame recognition, scanning and the stream frame reader.
//
// Input: two control bytes, then the stream bytes. The control bytes choose
// the read chunk size, the reader's initial buffer size and a failing read
// (none, one, or every read from the Nth on), so that short reads, frames
// straddling refills and read errors are explored as well.
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

struct ReadPlan {
  size_t chunk;      // bytes handed out per read at most
  size_t buffer;     // the reader's initial buffer size
  int fail_read;     // this read (1 = the first) fails; 0: none
  bool fail_after;   // and so does every later one
};

void ReadThroughReader(const uint8_t* data, size_t size, const ReadPlan& plan) {
  size_t position = 0;
  int reads = 0;
  const size_t chunk = plan.chunk;
  brisca::StreamFrameReader reader(
      [&](uint8_t* out, size_t capacity) -> int64_t {
        ++reads;
        if (reads == plan.fail_read || (plan.fail_after && reads > plan.fail_read && plan.fail_read))
          return -1;
        const size_t count = std::min({capacity, chunk, size - position});
        std::memcpy(out, data + position, count);
        position += count;
        return static_cast<int64_t>(count);
      },
      plan.buffer);
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
  Check(reader.given_up_bytes() <= size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Byte 0: bits 0-5 the chunk size, bits 6-7 the failing read (0 none, 1
  // one, 2 every read from then on, 3 one, late); byte 1 the buffer size
  // and which read fails.
  const int mode = data[0] >> 6;
  const int nth = 1 + data[1] % 32;
  ReadPlan plan;
  plan.chunk = 1 + (data[0] & 0x3F) * 150;
  plan.buffer = 24 + data[1] * 61;
  plan.fail_read = mode == 0 ? 0 : mode == 3 ? nth * 16 : nth;
  plan.fail_after = mode == 2;
  data += 2;
  size -= 2;
  ScanWholeBuffer(data, size);
  ReadThroughReader(data, size, plan);
  return 0;
}
