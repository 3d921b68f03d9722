#include "brisca/present/snapshot.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brisca/base/file_write.h"
#include "brisca/present/direct_draw.h"
#include "present_test_support.h"

namespace brisca {
namespace {

namespace fs = std::filesystem;
using test::Planes;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16)) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SnapshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("present_snapshot_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::size_t EntriesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
};

// 704 x 576, white except a black bottom luma row pair; the chroma rows of
// the bottom pair make it red so the two ends differ in every channel.
Planes TopWhiteBottomRed() {
  Planes p(704, 576, 235, 128, 128);
  std::fill(p.y.end() - 704 * 2, p.y.end(), 81);
  std::fill(p.u.end() - 352, p.u.end(), 90);
  std::fill(p.v.end() - 352, p.v.end(), 240);
  return p;
}

TEST_F(SnapshotTest, FileLayoutOf704x576) {
  const Planes p = TopWhiteBottomRed();
  const fs::path path = dir_ / "shot.bmp";
  ASSERT_TRUE(WriteSnapshotBmp(path.string(), {p.y.data(), p.u.data(), p.v.data(), 704, 352, 704, 576}, nullptr));
  const std::vector<std::uint8_t> b = ReadAll(path);
  ASSERT_EQ(b.size(), 1216566u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(U32(b, 2), 1216566u);
  EXPECT_EQ(U32(b, 6), 0u);
  EXPECT_EQ(U32(b, 10), 54u);
  EXPECT_EQ(U32(b, 14), 40u);
  EXPECT_EQ(U32(b, 18), 704u);
  EXPECT_EQ(U32(b, 22), 576u);
  EXPECT_EQ(U16(b, 26), 1);
  EXPECT_EQ(U16(b, 28), 24);
  EXPECT_EQ(U32(b, 30), 0u);
  EXPECT_EQ(U32(b, 34), 704u * 576u * 3u);
  for (std::size_t i = 38; i < 54; ++i) EXPECT_EQ(b[i], 0) << i;

  std::uint8_t red[3];
  YuvToBgr24(81, 90, 240, red);
  // First stored row is the picture's bottom row, the last its top row.
  for (std::size_t c = 0; c < 3; ++c) {
    EXPECT_EQ(b[54 + c], red[c]);
    EXPECT_EQ(b[54 + 703 * 3 + c], red[c]);
    EXPECT_EQ(b[54 + 575 * 704 * 3 + c], 254);
    EXPECT_EQ(b[b.size() - 3 + c], 254);
  }
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(SnapshotTest, OddWidthRowsAreUnpadded) {
  const Planes p(5, 3, 16, 128, 128);
  const fs::path path = dir_ / "odd.bmp";
  ASSERT_TRUE(WriteSnapshotBmp(path.string(), {p.y.data(), p.u.data(), p.v.data(), 5, 3, 5, 3}, nullptr));
  EXPECT_EQ(fs::file_size(path), 54u + 5u * 3u * 3u);
}

TEST_F(SnapshotTest, TextOfTheDisplayIsComposed) {
  CDirectDraw display;
  display.SetText("SNAP", 0);
  const Planes p(64, 32, 16, 128, 128);
  const fs::path path = dir_ / "text.bmp";
  ASSERT_TRUE(WriteSnapshotBmp(path.string(), {p.y.data(), p.u.data(), p.v.data(), 64, 32, 64, 32}, &display));
  const std::vector<std::uint8_t> b = ReadAll(path);
  ASSERT_EQ(b.size(), 54u + 64u * 32u * 3u);
  const CDirectDraw::TextBox box = display.MeasureText(64, 32);
  ASSERT_GT(box.width, 0);
  int white = 0;
  for (int y = box.y; y < box.y + box.height && y < 32; ++y) {
    const std::size_t row = static_cast<std::size_t>(31 - y);  // stored bottom first
    for (int x = box.x; x < box.x + box.width && x < 64; ++x) {
      if (b[54 + (row * 64 + static_cast<std::size_t>(x)) * 3] == 255) ++white;
    }
  }
  EXPECT_GT(white, 5);
}

TEST_F(SnapshotTest, UnwritablePathLeavesNothing) {
  const Planes p(16, 8, 16, 128, 128);
  const I420View view{p.y.data(), p.u.data(), p.v.data(), 16, 8, 16, 8};
  EXPECT_FALSE(WriteSnapshotBmp((dir_ / "missing" / "shot.bmp").string(), view, nullptr));
  // A directory in the way: the temporary file is made but cannot be renamed.
  fs::create_directory(dir_ / "taken.bmp");
  EXPECT_FALSE(WriteSnapshotBmp((dir_ / "taken.bmp").string(), view, nullptr));
  EXPECT_EQ(EntriesInDir(), 1u);
  EXPECT_TRUE(fs::is_empty(dir_ / "taken.bmp"));
}

TEST_F(SnapshotTest, FailedWritesLeaveTheEarlierFileAndNoOther) {
  struct Case {
    const char* what;
    int error;          // injected into the first write, 0 for none
    rlim_t size_limit;  // RLIM_INFINITY for none
  };
  const Planes p(64, 32, 16, 128, 128);
  const I420View view{p.y.data(), p.u.data(), p.v.data(), 64, 32, 64, 32};
  const fs::path path = dir_ / "shot.bmp";
  const std::string earlier = "the earlier snapshot";
  for (const Case& c : {Case{"full disk", ENOSPC, RLIM_INFINITY}, Case{"size limit", EFBIG, RLIM_INFINITY},
                        Case{"device error", EIO, RLIM_INFINITY},
                        Case{"limit half-way through the pixels", 0, 3000}}) {
    SCOPED_TRACE(c.what);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << earlier;
    // In a child: the size limit is process-wide. Exits 0 when the
    // snapshot was refused, as it must be.
    const pid_t child = fork();
    if (child == 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit cap{c.size_limit, c.size_limit};
      if (setrlimit(RLIMIT_FSIZE, &cap) != 0) _exit(2);
      if (c.error != 0) InjectWriteFault(1, c.error, true);
      _exit(WriteSnapshotBmp(path.string(), view, nullptr) ? 1 : 0);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::vector<std::uint8_t> kept = ReadAll(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), earlier);
    EXPECT_EQ(EntriesInDir(), 1u);
  }
  // With room again the snapshot replaces the earlier file.
  ASSERT_TRUE(WriteSnapshotBmp(path.string(), view, nullptr));
  EXPECT_EQ(fs::file_size(path), 54u + 64u * 32u * 3u);
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(SnapshotTest, RejectsEmptyOrMissingPicture) {
  const Planes p(16, 8, 16, 128, 128);
  EXPECT_FALSE(WriteSnapshotBmp((dir_ / "a.bmp").string(), {nullptr, p.u.data(), p.v.data(), 16, 8, 16, 8}, nullptr));
  EXPECT_FALSE(WriteSnapshotBmp((dir_ / "a.bmp").string(), {p.y.data(), p.u.data(), p.v.data(), 16, 8, 0, 8}, nullptr));
  EXPECT_FALSE(WriteSnapshotBmp((dir_ / "a.bmp").string(), {p.y.data(), p.u.data(), p.v.data(), 15, 8, 16, 8}, nullptr));
  EXPECT_EQ(EntriesInDir(), 0u);
}

}  // namespace
}  // namespace brisca
