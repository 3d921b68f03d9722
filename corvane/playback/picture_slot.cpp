#include "corvane/playback/picture_slot.h"

#include <cstring>
#include <utility>

namespace {

// Larger than any recorder's picture; anything beyond is not a picture.
constexpr int kMaxSide = 8192;

void CopyPlane(std::vector<uint8_t>& to, size_t at, const unsigned char* from, int stride,
               int rowBytes, int rows) {
  for (int row = 0; row < rows; ++row) {
    std::memcpy(to.data() + at + static_cast<size_t>(row) * static_cast<size_t>(rowBytes),
                from + static_cast<ptrdiff_t>(row) * stride, static_cast<size_t>(rowBytes));
  }
}

}  // namespace

int SlotPicture::RowBytes() const {
  switch (format) {
    case BR_PIXFMT_BGR24: return width * 3;
    case BR_PIXFMT_RGB565: return width * 2;
    default: return width;
  }
}

PictureSlot::PictureSlot(unsigned formats, std::function<void()> wake) : wake_(std::move(wake)) {
  target_.formats = formats;
  target_.present = &PictureSlot::Present;
  target_.user = this;
}

void PictureSlot::Present(BR_VIDEO_TARGET* target, const BR_PICTURE* picture) {
  auto* slot = static_cast<PictureSlot*>(target->user);
  if (!picture || picture->format < BR_PIXFMT_I420 || picture->format > BR_PIXFMT_BGR24 ||
      picture->width <= 0 || picture->height <= 0 || picture->width > kMaxSide ||
      picture->height > kMaxSide || !(slot->target_.formats & (1u << picture->format)))
    return;
  bool wake = false;
  {
    const std::lock_guard lock(slot->mutex_);
    slot->Copy(*picture);
    ++slot->presented_;
    if (slot->fresh_) ++slot->dropped_;
    slot->fresh_ = true;
    wake = !std::exchange(slot->wakePending_, true);
  }
  if (wake && slot->wake_) slot->wake_();
}

void PictureSlot::Copy(const BR_PICTURE& picture) {
  SlotPicture& to = newest_;
  to.format = picture.format;
  to.width = picture.width;
  to.height = picture.height;
  to.timestamp = picture.timestamp;
  const int rowBytes = to.RowBytes();
  if (picture.format == BR_PIXFMT_I420) {
    const int chromaWidth = (picture.width + 1) / 2;
    const int chromaHeight = (picture.height + 1) / 2;
    const size_t luma = static_cast<size_t>(rowBytes) * static_cast<size_t>(picture.height);
    const size_t chroma = static_cast<size_t>(chromaWidth) * static_cast<size_t>(chromaHeight);
    to.pixels.resize(luma + 2 * chroma);
    CopyPlane(to.pixels, 0, picture.plane[0], picture.stride[0], rowBytes, picture.height);
    CopyPlane(to.pixels, luma, picture.plane[1], picture.stride[1], chromaWidth, chromaHeight);
    CopyPlane(to.pixels, luma + chroma, picture.plane[2], picture.stride[2], chromaWidth, chromaHeight);
  } else {
    to.pixels.resize(static_cast<size_t>(rowBytes) * static_cast<size_t>(picture.height));
    CopyPlane(to.pixels, 0, picture.plane[0], picture.stride[0], rowBytes, picture.height);
  }
  if (picture.overlay) {
    const int overlayRow = picture.width * 4;
    to.overlay.resize(static_cast<size_t>(overlayRow) * static_cast<size_t>(picture.height));
    CopyPlane(to.overlay, 0, picture.overlay, overlayRow, overlayRow, picture.height);
  } else {
    to.overlay.clear();
  }
}

bool PictureSlot::TakeNewest(SlotPicture& out) {
  const std::lock_guard lock(mutex_);
  wakePending_ = false;
  if (!fresh_) return false;
  std::swap(out, newest_);
  fresh_ = false;
  return true;
}

uint64_t PictureSlot::presented() const {
  const std::lock_guard lock(mutex_);
  return presented_;
}

uint64_t PictureSlot::dropped() const {
  const std::lock_guard lock(mutex_);
  return dropped_;
}
