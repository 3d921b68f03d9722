// The fixed set of frames a reader hands out. A reader owns five frames; a
// consumer that holds all of them makes the next read fail instead of
// growing the pool, which bounds the memory one channel can hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "brisca/base/mutex_lock.h"
#include "brisca/recordings/rec_frame.h"

namespace brisca {

inline constexpr size_t kPoolFrameCount = 5;
inline constexpr uint32_t kPoolFrameSize = 20480;
inline constexpr uint32_t kPoolFrameSlack = 512;  // added when a frame grows

class FramePool {
 public:
  explicit FramePool(size_t frame_count = kPoolFrameCount,
                     uint32_t frame_size = kPoolFrameSize);
  virtual ~FramePool() = default;
  FramePool(const FramePool&) = delete;
  FramePool& operator=(const FramePool&) = delete;

  // A free frame with room for `size` bytes, or null when every frame is
  // handed out or the buffer cannot be allocated. A frame that is too small
  // gets a new zero-filled buffer of size + 512 bytes; frames never shrink.
  // The frame's length, timestamp and kind are left to the caller.
  RecFrame* Take(uint32_t size);

  // Gives a frame back (appended to the free list). Safe from any thread;
  // frames of other pools and frames already free are ignored.
  void Release(RecFrame* frame);

  size_t FreeCount();
  // Frames in the pool, handed out or free.
  size_t FrameCount() const { return all_.size(); }

 private:
  CMutexLock lock_;
  std::vector<std::unique_ptr<RecFrame>> all_;  // fixed after construction
  std::list<RecFrame*> free_;                   // guarded by lock_
};

}  // namespace brisca
