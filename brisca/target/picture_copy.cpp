#include "brisca/target/picture_copy.h"

#include <array>
#include <cstring>

namespace brisca {

bool AcceptsPicture(unsigned formats, const BR_PICTURE* picture) {
  if (!picture || picture->format < BR_PIXFMT_I420 || picture->format > BR_PIXFMT_BGR24 ||
      (formats & (1u << picture->format)) == 0 || picture->width < 1 || picture->height < 1 ||
      !picture->plane[0]) {
    return false;
  }
  return picture->format != BR_PIXFMT_I420 || (picture->plane[1] && picture->plane[2]);
}

void CopyPicture(const BR_PICTURE& picture, std::vector<uint8_t>& pixels,
                 std::vector<uint8_t>& overlay) {
  const size_t w = static_cast<size_t>(picture.width);
  const size_t h = static_cast<size_t>(picture.height);
  struct Plane {
    size_t row_bytes;
    size_t rows;
  };
  std::array<Plane, 3> planes{};
  size_t count = 1;
  if (picture.format == BR_PIXFMT_I420) {
    planes = {{{w, h}, {(w + 1) / 2, (h + 1) / 2}, {(w + 1) / 2, (h + 1) / 2}}};
    count = 3;
  } else {
    planes[0] = {w * (picture.format == BR_PIXFMT_RGB565 ? 2 : 3), h};
  }
  size_t total = 0;
  for (size_t p = 0; p < count; ++p) total += planes[p].row_bytes * planes[p].rows;
  pixels.resize(total);
  uint8_t* out = pixels.data();
  for (size_t p = 0; p < count; ++p) {
    const unsigned char* row = picture.plane[p];
    for (size_t y = 0; y < planes[p].rows; ++y) {
      std::memcpy(out, row, planes[p].row_bytes);
      out += planes[p].row_bytes;
      row += picture.stride[p];
    }
  }
  if (picture.overlay) {
    overlay.assign(picture.overlay, picture.overlay + w * h * 4);
  } else {
    overlay.clear();
  }
}

}  // namespace brisca
