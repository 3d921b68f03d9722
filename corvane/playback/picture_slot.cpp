#include "corvane/playback/picture_slot.h"

#include <utility>

#include "brisca/target/picture_copy.h"

namespace {

// Larger than any recorder's picture; anything beyond is not a picture.
constexpr int kMaxSide = 8192;

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
  if (!brisca::AcceptsPicture(slot->target_.formats, picture) || picture->width > kMaxSide ||
      picture->height > kMaxSide)
    return;
  bool wake = false;
  {
    const std::lock_guard lock(slot->mutex_);
    SlotPicture& newest = slot->newest_;
    newest.format = picture->format;
    newest.width = picture->width;
    newest.height = picture->height;
    newest.timestamp = picture->timestamp;
    brisca::CopyPicture(*picture, newest.pixels, newest.overlay);
    ++slot->presented_;
    if (slot->fresh_) ++slot->dropped_;
    slot->fresh_ = true;
    wake = !std::exchange(slot->wakePending_, true);
  }
  if (wake && slot->wake_) slot->wake_();
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
