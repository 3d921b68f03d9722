// Reads frames one by one from a byte source in the recorder's stream format,
// through a read buffer that is refilled as frames are consumed.
//
// Noise, torn frames and unknown types are skipped byte by byte. Two cases
// where a plain fixed-buffer scan would lose frames are handled:
//  - a frame larger than the buffer grows the buffer to the frame's size
//    (frames are at most 6,000,000 bytes), so it is still read whole;
//  - a candidate header near the end of the source that claims more bytes
//    than remain is noise, not a frame: the scan resumes one byte after it,
//    so real frames inside the claimed range are still found;
//  - a frame that is followed neither by a header nor by the end of the
//    source, while a confirmed frame starts inside it (a false header, a
//    damaged length), is given up up to that frame and reported once.
//
// Work is proportional to the bytes scanned: the buffer is compacted only
// when the bytes consumed in front of the unparsed ones outweigh them, so a
// run of false candidates that each claim megabytes does not move the
// buffer once per candidate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "brisca/recordings/frame_pool.h"
#include "brisca/stream/stream_frame.h"

namespace brisca {

inline constexpr size_t kStreamReadBufferSize = 1048576;

class StreamFrameReader {
 public:
  // Reads up to `capacity` bytes into `buffer`; returns the count, 0 at the
  // end of the source, negative on a read error.
  using ReadFunction = std::function<int64_t(uint8_t* buffer, size_t capacity)>;

  enum class Status {
    kFrame,          // a frame was delivered
    kEnd,            // the source is exhausted
    kReadError,      // the source failed; frames read so far stay valid
    kPoolExhausted,  // the pool has no free frame; retry after releasing one
  };

  explicit StreamFrameReader(ReadFunction read,
                             size_t buffer_size = kStreamReadBufferSize);

  // Delivers the next frame, and its telemetry frame when it has one (else
  // `*info` is null). The caller gives both back to `pool`.
  Status Next(FramePool& pool, RecFrame** frame, RecFrame** info);

  // The frame last delivered by Next; its payload pointer is only valid
  // until the next call.
  const StreamFrame& last_frame() const { return frame_; }
  // Byte offset in the source where the last delivered frame starts.
  uint64_t last_frame_offset() const { return last_frame_offset_; }

  // Bytes given up because a frame's length contradicted the frame found
  // inside it, since construction.
  uint64_t given_up_bytes() const { return given_up_bytes_; }

  // Forgets buffered bytes, for a caller that has repositioned the source
  // at `source_offset`.
  void Reset(uint64_t source_offset = 0);

 private:
  // Moves the unparsed bytes to the front and reads more. False when the
  // source is exhausted or failed (see `read_error_`).
  bool Refill(size_t needed);
  // Where the frame just recognised at begin_ + `at` really ends (see
  // ConfirmedFrameEnd), after reading what is needed to tell; false when
  // more bytes were read and the scan must be repeated.
  bool CheckSuccessor(size_t at, size_t* end);

  ReadFunction read_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;  // first unparsed byte
  size_t end_ = 0;    // one past the last buffered byte
  uint64_t buffer_offset_ = 0;  // source offset of buffer_[0]
  bool at_end_ = false;
  bool read_error_ = false;
  StreamFrame frame_;
  uint64_t last_frame_offset_ = 0;
  uint64_t given_up_bytes_ = 0;
};

}  // namespace brisca
