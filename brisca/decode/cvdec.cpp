#include "brisca/decode/cvdec.h"

#include <cstring>

#include "brisca/present/color_tables.h"
#include "brisca/present/picture_sink.h"
#include "brisca/present/snapshot.h"

namespace brisca {
namespace {

int ChromaSide(int side) { return (side + 1) / 2; }

}  // namespace

int CVDEC::Decode(uint32_t, const uint8_t*, uint32_t, uint32_t, uint32_t,
                  const uint8_t*) {
  return 0;
}

void CVDEC::TakeSize(const Picture& picture) {
  if (picture.displayable && display_ && display_->SetUp(picture.width, picture.height)) {
    width_ = picture.width;
    height_ = picture.height;
    display_ready_ = true;
  }
}

void CVDEC::Show(const Picture& picture, const uint8_t stamp[kPictureStampSize]) {
  if (!display_ready_) {
    TakeSize(picture);
  } else if (picture.width != width_ || picture.height != height_) {
    display_->Release();
    display_ready_ = false;
    TakeSize(picture);
  }
  if (!display_ready_ || hidden_) return;  // decoded, but not shown or kept
  display_->Draw(picture.y, picture.y_stride, picture.u, picture.v, picture.c_stride,
                 picture.timestamp);
  KeepCopy(picture, stamp);
}

void CVDEC::KeepCopy(const Picture& picture, const uint8_t stamp[kPictureStampSize]) {
  CAutoLock hold(&lock_);
  const size_t luma = static_cast<size_t>(picture.width) * picture.height;
  const int chroma_width = ChromaSide(picture.width);
  const int chroma_height = ChromaSide(picture.height);
  const size_t chroma = static_cast<size_t>(chroma_width) * chroma_height;
  copy_.resize(luma + 2 * chroma);  // reallocates only when the size grows
  uint8_t* out = copy_.data();
  for (int row = 0; row < picture.height; ++row, out += picture.width)
    std::memcpy(out, picture.y + static_cast<size_t>(row) * picture.y_stride, picture.width);
  for (const uint8_t* plane : {picture.u, picture.v}) {
    for (int row = 0; row < chroma_height; ++row, out += chroma_width)
      std::memcpy(out, plane + static_cast<size_t>(row) * picture.c_stride, chroma_width);
  }
  copy_width_ = picture.width;
  copy_height_ = picture.height;
  has_copy_ = true;
  copy_timestamp_ = picture.timestamp;
  if (stamp) std::memcpy(stamp_, stamp, kPictureStampSize);
}

void CVDEC::Refresh() {
  CAutoLock hold(&lock_);
  if (!display_ready_ || !has_copy_ || copy_width_ != width_ || copy_height_ != height_) return;
  const size_t luma = static_cast<size_t>(width_) * height_;
  const size_t chroma = static_cast<size_t>(ChromaSide(width_)) * ChromaSide(height_);
  display_->Draw(copy_.data(), width_, copy_.data() + luma, copy_.data() + luma + chroma,
                 ChromaSide(width_), copy_timestamp_);
}

int CVDEC::Snapshot(const std::string& path, uint8_t stamp[kPictureStampSize]) {
  std::vector<uint8_t> planes;
  int width = 0;
  int height = 0;
  {
    CAutoLock hold(&lock_);
    if (!has_copy_) return 0;
    if (stamp) std::memcpy(stamp, stamp_, kPictureStampSize);
    planes = copy_;
    width = copy_width_;
    height = copy_height_;
  }
  const size_t luma = static_cast<size_t>(width) * height;
  const size_t chroma = static_cast<size_t>(ChromaSide(width)) * ChromaSide(height);
  I420View view;
  view.y = planes.data();
  view.u = planes.data() + luma;
  view.v = planes.data() + luma + chroma;
  view.y_stride = width;
  view.c_stride = ChromaSide(width);
  view.width = width;
  view.height = height;
  WriteSnapshotBmp(path, view, display_);
  return 0;
}

}  // namespace brisca
