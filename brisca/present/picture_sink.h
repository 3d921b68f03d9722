// What a video decoder needs of the display it draws on.
#pragma once

#include <cstdint>

namespace brisca {

class CPictureSink {
 public:
  // Prepares for pictures of this size; false when it cannot show them.
  virtual bool SetUp(int width, int height) = 0;
  // Forgets the size; SetUp comes again before the next picture.
  virtual void Release() = 0;
  // Shows one 4:2:0 picture of the set-up size; 0 drawn, -1 not.
  virtual int Draw(const std::uint8_t* y, int y_stride, const std::uint8_t* u,
                   const std::uint8_t* v, int c_stride, std::uint64_t timestamp) = 0;
  // Draws the on-screen text and watermark into BGR24 rows, top row first,
  // of a picture of any size (for snapshots).
  virtual void ComposeBgr24(std::uint8_t* rows, int stride, int width, int height) = 0;

 protected:
  ~CPictureSink() = default;
};

}  // namespace brisca
