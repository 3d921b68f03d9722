#include "brisca/present/snapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "brisca/base/file_write.h"
#include "brisca/present/picture_sink.h"

namespace brisca {
namespace {

constexpr std::uint32_t kHeaderBytes = 54;

void PutU16(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Writes `bytes` to a new file next to `path` and renames it onto `path`:
// the name shows either the earlier file or the whole new one, never a
// part. The data reaches the disk before the rename, so that a crash does
// not leave an empty file under the name either.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0644) == 0 && WriteFully(fd, bytes.data(), bytes.size()) &&
            ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

bool WriteSnapshotBmp(const std::string& path, const I420View& picture, CPictureSink* display) {
  const int width = picture.width;
  const int height = picture.height;
  if (!picture.y || !picture.u || !picture.v || width < 1 || height < 1 ||
      width > kSnapshotMaxSide || height > kSnapshotMaxSide || picture.y_stride < width ||
      picture.c_stride < (width + 1) / 2) {
    return false;
  }
  const std::size_t row_bytes = static_cast<std::size_t>(width) * 3;
  const std::size_t pixel_bytes = row_bytes * static_cast<std::size_t>(height);

  std::vector<std::uint8_t> top_first(pixel_bytes);
  I420ToBgr24(picture, top_first.data(), static_cast<int>(row_bytes));
  if (display) display->ComposeBgr24(top_first.data(), static_cast<int>(row_bytes), width, height);

  std::vector<std::uint8_t> file(kHeaderBytes + pixel_bytes, 0);
  std::uint8_t* h = file.data();
  h[0] = 'B';
  h[1] = 'M';
  PutU32(h + 2, static_cast<std::uint32_t>(file.size()));
  PutU32(h + 10, kHeaderBytes);
  PutU32(h + 14, 40);
  PutU32(h + 18, static_cast<std::uint32_t>(width));
  PutU32(h + 22, static_cast<std::uint32_t>(height));
  PutU16(h + 26, 1);
  PutU16(h + 28, 24);
  PutU32(h + 34, static_cast<std::uint32_t>(pixel_bytes));
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* src = top_first.data() + static_cast<std::size_t>(height - 1 - row) * row_bytes;
    std::copy(src, src + row_bytes, file.data() + kHeaderBytes + static_cast<std::size_t>(row) * row_bytes);
  }
  return WriteFileAtomically(path, file);
}

}  // namespace brisca
