// A bounded first-in-first-out store of variable-length frames. Frame bytes
// are copied into one byte ring allocated at Configure, so nothing is
// allocated per frame. The channel player keeps a video queue (video and
// info frames in stream order) and an audio queue that the audio output
// drains.
//
// Threads: every operation takes the queue's lock for its whole duration.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "brisca/base/mutex_lock.h"

namespace brisca {

inline constexpr uint32_t kVideoQueueDescriptors = 300;
inline constexpr uint32_t kVideoQueueBytes = 3145728;
inline constexpr uint32_t kAudioQueueDescriptors = 1000;
inline constexpr uint32_t kAudioQueueBytes = 1048576;
inline constexpr uint32_t kDropScratchBytes = 1024;

// The description of one queued frame.
struct QueuedFrame {
  uint32_t type = 0;  // a RecFrame kind: 2 audio, 3 info, anything else video
  uint32_t length = 0;  // bytes
  uint64_t timestamp = 0;  // milliseconds
};

class CFrameQueue {
 public:
  CFrameQueue() = default;
  virtual ~CFrameQueue() = default;
  CFrameQueue(const CFrameQueue&) = delete;
  CFrameQueue& operator=(const CFrameQueue&) = delete;

  // Replaces any storage with `descriptors` descriptors and a byte ring of
  // `capacity` bytes, and empties the queue. At most descriptors - 1 frames
  // are held. False (and no storage) when the sizes are unusable or the
  // allocation fails.
  bool Configure(uint32_t descriptors, uint32_t capacity);

  // Copies a frame in: 1 stored, 0 refused (no storage, no free descriptor,
  // or more bytes than are free).
  int Push(uint32_t type, uint32_t length, uint64_t timestamp, const uint8_t* bytes);

  // Takes the oldest frame: 1 with its description in `frame` and up to
  // `capacity` of its bytes copied to `destination` (frame.length tells the
  // whole length), 0 when empty.
  int Pop(QueuedFrame* frame, uint8_t* destination, uint32_t capacity);

  // The timestamp of the oldest video frame (neither audio nor info), or
  // with `skip` of the video frame that many after it: 1, or 0 when there
  // is none. Nothing is removed.
  int PeekVideoTimestamp(uint64_t* timestamp, uint32_t skip = 0);

  uint32_t Count();
  uint64_t LastPushedTimestamp();

  // Empties the queue and keeps the storage.
  void Clear();

  // Pops frames up to and including the first one stamped later than
  // `timestamp` (that one is removed too).
  void DropUntil(uint64_t timestamp);

  // Frees the storage and empties the queue.
  void Release();

 private:
  void CopyIn(const uint8_t* bytes, uint32_t length);
  void CopyOut(uint8_t* destination, uint32_t length, uint32_t wanted);
  void ClearLocked();

  CMutexLock lock_;
  // All guarded by lock_:
  std::unique_ptr<uint8_t[]> ring_;
  uint32_t capacity_ = 0;
  uint32_t read_ = 0;   // ring offset of the oldest frame's bytes
  uint32_t write_ = 0;  // ring offset where the next frame's bytes go
  uint32_t free_ = 0;
  uint64_t last_pushed_ = 0;
  std::vector<QueuedFrame> descriptors_;  // a closed ring: i is followed by i + 1, the last by 0
  uint32_t count_ = 0;
  uint32_t head_ = 0;  // next to pop
  uint32_t tail_ = 0;  // next to fill
};

}  // namespace brisca
