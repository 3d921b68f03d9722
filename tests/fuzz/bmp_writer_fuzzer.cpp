// Fuzz target for the snapshot BMP writer onto a failing disk. Six control
// bytes: width and height (1-96 each), stride slack (bits 0-1, bit 7 makes
// the luma stride a pixel short of a row), the write that fails (0 for
// none), how (bits 0-1 the error: ENOSPC, EFBIG, EIO; bit 2 every later
// write fails too) and flags (bit 0 an earlier file is at the path, bit 1
// on-screen text is composed in). The rest fills the planes, repeated as
// needed. A snapshot that reports success had no failed write and left a
// whole BMP of the picture's size as the only file; one that reports
// failure left the earlier file as it was, or nothing.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "brisca/base/file_write.h"
#include "brisca/present/direct_draw.h"
#include "brisca/present/snapshot.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kControlBytes = 6;
constexpr int kWriteErrors[] = {ENOSPC, EFBIG, EIO, ENOSPC};
const std::string kEarlier = "an earlier snapshot";

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// Plain characters: the folder is removed at exit, after the statics that
// hold paths are gone.
char folder_name[4096];

void RemoveFolder() {
  std::error_code ignored;
  fs::remove_all(folder_name, ignored);
}

const fs::path& Folder() {
  static const fs::path folder = [] {
    std::string pattern = (fs::temp_directory_path() / "bmp-fuzz-XXXXXX").string();
    Require(pattern.size() < sizeof folder_name && mkdtemp(pattern.data()) != nullptr);
    std::memcpy(folder_name, pattern.c_str(), pattern.size() + 1);
    std::atexit(RemoveFolder);
    return fs::path(pattern);
  }();
  return folder;
}

std::vector<uint8_t> Plane(const uint8_t* data, size_t size, size_t length, size_t skip) {
  std::vector<uint8_t> plane(length, 0x80);
  for (size_t i = 0; size > 0 && i < length; ++i) plane[i] = data[(skip + i) % size];
  return plane;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
         uint32_t{bytes[at + 3]} << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kControlBytes) return 0;
  const int width = 1 + data[0] % 96;
  const int height = 1 + data[1] % 96;
  const int c_width = (width + 1) / 2;
  const int y_stride = (data[2] & 0x80) ? width - 1 : width + (data[2] & 3);
  const int c_stride = c_width + (data[2] & 3);
  const int nth_write = data[3];
  const bool earlier = (data[5] & 1) != 0;
  const uint8_t* pixels = data + kControlBytes;
  const size_t pixel_bytes = size - kControlBytes;

  const size_t c_rows = static_cast<size_t>((height + 1) / 2);
  const std::vector<uint8_t> y =
      Plane(pixels, pixel_bytes, static_cast<size_t>(std::max(y_stride, 1)) * height, 0);
  const std::vector<uint8_t> u = Plane(pixels, pixel_bytes, c_stride * c_rows, 1);
  const std::vector<uint8_t> v = Plane(pixels, pixel_bytes, c_stride * c_rows, 2);
  const brisca::I420View view{y.data(), u.data(), v.data(), y_stride, c_stride, width, height};

  const fs::path path = Folder() / "shot.bmp";
  fs::remove_all(Folder());
  fs::create_directories(Folder());
  if (earlier) std::ofstream(path, std::ios::binary) << kEarlier;

  brisca::CDirectDraw display;
  if (data[5] & 2) display.SetText("12:00:00 CH1", data[5] >> 2);
  brisca::InjectWriteFault(nth_write, kWriteErrors[data[4] & 3], (data[4] & 4) != 0);
  const bool written = brisca::WriteSnapshotBmp(path.string(), view, (data[5] & 2) ? &display : nullptr);
  const bool write_failed = nth_write != 0 && brisca::WriteCallCount() >= nth_write;
  brisca::InjectWriteFault(0, 0, false);

  const size_t entries = static_cast<size_t>(
      std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()));
  Require(!written || !write_failed);
  Require(written || data[2] & 0x80 || write_failed);
  if (written) {
    const std::vector<uint8_t> bytes = ReadAll(path);
    const size_t expected = 54 + static_cast<size_t>(width) * height * 3;
    Require(entries == 1 && bytes.size() == expected);
    Require(bytes[0] == 'B' && bytes[1] == 'M' && Le32(bytes, 2) == expected);
    Require(Le32(bytes, 10) == 54 && Le32(bytes, 18) == static_cast<uint32_t>(width) &&
            Le32(bytes, 22) == static_cast<uint32_t>(height));
  } else if (earlier) {
    const std::vector<uint8_t> bytes = ReadAll(path);
    Require(entries == 1 && std::string(bytes.begin(), bytes.end()) == kEarlier);
  } else {
    Require(entries == 0);
  }
  return 0;
}
