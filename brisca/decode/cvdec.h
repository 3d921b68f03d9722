// The abstract video decoder of a channel: H.264 frames in, pictures drawn on
// the channel's display, with a copy of the last picture kept for refresh
// and snapshot.
//
// Threads: Decode, SetHidden and Refresh run under the channel's play lock
// (on its worker, or on the caller's thread during a step or a seek);
// Snapshot runs on any thread. The picture copy and its stamp are guarded
// by the decoder's lock, which is never held while a file is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brisca/base/mutex_lock.h"

namespace brisca {

class CPictureSink;

inline constexpr size_t kPictureStampSize = 16;

class CVDEC {
 public:
  CVDEC() = default;
  virtual ~CVDEC() = default;
  CVDEC(const CVDEC&) = delete;
  CVDEC& operator=(const CVDEC&) = delete;

  // The three arguments are not used. 1 when a decoder was obtained.
  virtual int Open(uint32_t, uint32_t, uint32_t) { return 0; }
  // Decodes one frame (a RecFrame kind and its bytes) and shows every
  // picture it yields. 1 when the frame went to the decoder, 0 when it was
  // dropped (before the first key frame, or no decoder).
  virtual int Decode(uint32_t kind, const uint8_t* bytes, uint32_t length,
                     uint32_t timestamp_low, uint32_t timestamp_high,
                     const uint8_t stamp[kPictureStampSize]);
  virtual int Close() { return 0; }

  // The display to draw on; not owned.
  void BindDisplay(CPictureSink* display) { display_ = display; }
  // While hidden, pictures are decoded (the next ones depend on them) but
  // neither drawn nor kept: frames given up to catch up cost no drawing.
  void SetHidden(bool hidden) { hidden_ = hidden; }
  // Draws the kept copy again (when no new picture came for a while).
  void Refresh();
  // Writes the kept copy, with the display's text and watermark, as a BMP
  // file and gives its stamp. 0 always; nothing is written before the
  // first picture or when the file cannot be written. The copy is taken
  // under the lock and written after it is released, so a slow disk does
  // not hold up the pictures.
  int Snapshot(const std::string& path, uint8_t stamp[kPictureStampSize]);

  int width() const { return width_; }
  int height() const { return height_; }

 protected:
  struct Picture {
    const uint8_t* y;
    const uint8_t* u;
    const uint8_t* v;
    int y_stride;
    int c_stride;
    int width;
    int height;
    bool displayable;  // fit to set the display up
    uint64_t timestamp;  // ms, of the input that produced the picture
  };
  // Sets the display up on the first displayable picture and after a size
  // change, draws the picture and keeps a copy of it.
  void Show(const Picture& picture, const uint8_t stamp[kPictureStampSize]);

  bool waiting_for_key_ = true;

 private:
  void TakeSize(const Picture& picture);
  void KeepCopy(const Picture& picture, const uint8_t stamp[kPictureStampSize]);

  CPictureSink* display_ = nullptr;
  bool display_ready_ = false;
  bool hidden_ = false;
  int width_ = 0;
  int height_ = 0;

  CMutexLock lock_;  // guards the copy below
  std::vector<uint8_t> copy_;  // Y, then U, then V, tightly packed
  int copy_width_ = 0;
  int copy_height_ = 0;
  bool has_copy_ = false;
  uint64_t copy_timestamp_ = 0;
  uint8_t stamp_[kPictureStampSize] = {};
};

}  // namespace brisca
