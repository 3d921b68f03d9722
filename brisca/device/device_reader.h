// The reader of a device recording file: a 64 KiB header followed by tagged
// chunks of video (with an optional 48-byte info block carrying telemetry
// and acceleration), audio and nothing else. Timestamps are the chunks'
// microseconds, unchanged.
//
// Threads: every public operation takes the main lock; frames may be given
// back from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "brisca/device/device_chunk.h"
#include "brisca/device/device_chunk_search.h"
#include "brisca/device/device_source.h"
#include "brisca/recordings/rec_file.h"

namespace brisca {

class CFileAuds : public CRecFile {
 public:
  CFileAuds();
  ~CFileAuds() override;

  // Opens a device recording by path. 0, or 1 when the file cannot be read,
  // its device type is not accepted or it has no video chunk (no first or
  // last timestamp). Fills file_param(): start and end clock, first and
  // last timestamp, duration, text fields and device type.
  int Open(const char* path) override;
  int Close() override;
  // Back to the first chunk; 1 when nothing is open.
  int Rewind() override;
  // The next chunk: video (with its info frame through `info` when the chunk
  // carries an info block) or audio (with the timestamp of the video chunk
  // before it). 0, or 1 at the end of the data or when the pool has no free
  // frame (nothing is consumed then).
  int ReadFrame(RecFrame** frame, RecFrame** info) override;
  // The next info frame, skipping every other chunk: 0, or 1 at the end.
  int ReadInfoFrame(uint32_t ignored, RecFrame** info) override;
  // Positions on a key chunk within a second of `ms` from the first
  // timestamp (the flag is not used). 1 when outside the recording.
  int Seek(int32_t ms, int32_t flag) override;
  // Key frames forward from the current position; 1 at the end and after
  // backward steps (until a read or seek).
  int NextKeyFrame(RecFrame** frame) override;
  // The first call delivers the key frame at or after the current position
  // (else the last before it); later calls follow the back links of the key
  // chunks' info blocks. 1 when a link is 0, not before its chunk, or does
  // not lead to a key chunk.
  int PrevKeyFrame(RecFrame** frame) override;
  // Opens `path` by itself (whatever this reader has open), fills `out` with
  // its summary and closes it again. 0, or 1 as for Open.
  int ReadDeviceInfo(RecFileParam* out, const char* path) override;

  // The interval announced by the file name (500 ms when it announces none).
  uint32_t interval_ms();
  // 2 until the header or an audio chunk says otherwise.
  uint8_t audio_type();

 private:
  struct Timestamps {
    uint64_t first = 0;
    uint64_t last = 0;
  };
  // The first video chunk's timestamp (by the chunk scan) and the last
  // one's (searching back from the end of the data); nothing without one.
  std::optional<Timestamps> FindTimestamps();

  // Forward chunk scan over the read buffer; skips bytes that are no chunk.
  // False at the end of the data.
  bool NextChunk(DeviceChunk* chunk, uint64_t* position);
  bool Refill(uint64_t need);
  void PositionAt(uint64_t position);
  const uint8_t* ChunkBytes(uint64_t position) const;
  // Reads the key chunk at `located` into a pooled frame; its back link
  // through `back_link`. Positions the reader at the chunk.
  int DeliverKeyChunk(const LocatedChunk& located, RecFrame** frame, uint32_t* back_link);

  // Guarded by main_lock_:
  DeviceSource source_;
  std::vector<uint8_t> buffer_;
  uint64_t buffer_position_ = 0;  // file offset of buffer_[0]
  size_t fill_ = 0;
  size_t parse_ = 0;
  Timestamps timestamps_;
  uint8_t audio_type_ = 2;
  // The key chunk last delivered by a step and the back link it carries.
  uint64_t key_position_ = 0;
  uint64_t key_end_ = 0;
  uint32_t key_back_link_ = 0;
};

}  // namespace brisca
