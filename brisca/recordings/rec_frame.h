// The frame record every recording reader hands to the playback engine.
#pragma once

#include <cstdint>
#include <memory>

namespace brisca {

enum FrameKind : uint32_t {
  FRAME_VIDEO_KEY = 0,
  FRAME_VIDEO_PREDICTED = 1,
  FRAME_AUDIO = 2,
  FRAME_INFO = 3,
};

// One frame handed out by a reader. Owned by the reader's FramePool; the
// consumer gives it back with the reader's ReleaseFrame (FramePool::Release).
struct RecFrame {
  // Stream frames: milliseconds of the recorder clock (0 when the frame has
  // none). Card and device containers store microseconds here unchanged.
  uint64_t timestamp = 0;
  uint8_t* data = nullptr;  // points into `storage`
  uint32_t capacity = 0;    // bytes allocated at `data`
  uint32_t length = 0;      // valid bytes at `data`
  FrameKind kind = FRAME_VIDEO_KEY;

  std::unique_ptr<uint8_t[]> storage;
};

}  // namespace brisca
