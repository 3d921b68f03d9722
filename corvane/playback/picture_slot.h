#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "brisca/types/brisca_types.h"

// A picture copied out of a present call: packed rows (I420: the Y plane,
// then U, then V, each of its own packed width).
struct SlotPicture {
  int format = -1;
  int width = 0;
  int height = 0;
  uint64_t timestamp = 0;
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> overlay;  // straight-alpha BGRA rows, or empty

  bool empty() const { return width == 0; }
  // Bytes of one packed row of the first plane.
  int RowBytes() const;
};

// The newest picture of one channel, handed from the library's channel
// worker to the window thread. The present call copies the picture (its
// pointers die with the call) and wakes the window once until the window
// has taken it; a picture not taken before the next arrives is dropped, so
// a busy window shows the newest picture instead of a backlog.
//
// Threads: present on any library thread; everything else on the window
// thread. `wake` runs on the presenting thread outside the slot's lock and
// must only post. The slot must outlive BR_CloseFile of its channel.
class PictureSlot {
 public:
  // `formats`: bits (1 << BR_PIXFMT_*) of the formats accepted.
  PictureSlot(unsigned formats, std::function<void()> wake);
  PictureSlot(const PictureSlot&) = delete;
  PictureSlot& operator=(const PictureSlot&) = delete;

  // What BR_OpenFile takes as the channel's window.
  BR_VIDEO_TARGET* target() { return &target_; }

  // Swaps the newest picture into `out` (whose buffers the slot reuses).
  // False, leaving `out` as it was, when none arrived since the last take.
  bool TakeNewest(SlotPicture& out);

  uint64_t presented() const;  // pictures the library handed over
  uint64_t dropped() const;    // of those, replaced before the window took them

 private:
  static void Present(BR_VIDEO_TARGET* target, const BR_PICTURE* picture);

  BR_VIDEO_TARGET target_{};
  std::function<void()> wake_;
  mutable std::mutex mutex_;
  SlotPicture newest_;
  bool fresh_ = false;
  bool wakePending_ = false;
  uint64_t presented_ = 0;
  uint64_t dropped_ = 0;
};
