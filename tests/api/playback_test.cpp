// Playback through libbrisca.so and its public header: recordings made with
// the brisca tool at test time, played into memory presentation targets.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "brisca.h"
#include "brisca/testing/memory_target.h"

namespace {

namespace fs = std::filesystem;
using brisca::testing::MemoryTarget;
using brisca::testing::Presented;

constexpr int kWidth = 96;
constexpr int kHeight = 64;
// Far beyond the recordings' real-time length; reached only when the end is
// never reported.
constexpr auto kEndDeadline = std::chrono::seconds(60);

// Pictures presented to `target` that are not I420 of the recordings' size
// with all three planes: the ones it refused, and the others of a wrong size.
size_t Unexpected(const MemoryTarget& target) {
  size_t unexpected = target.refused();
  for (const Presented& picture : target.presented()) {
    if (picture.width != kWidth || picture.height != kHeight || picture.stride[0] < kWidth)
      ++unexpected;
  }
  return unexpected;
}

// What the callbacks reported. The user value is 32 bits wide, too narrow
// for a pointer, so the reports go to this one place.
struct Reports {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::pair<int32_t, uint32_t>> ends;  // channel, user
  int info_frames = 0;
  int short_info_frames = 0;
  uint32_t info_user = 0;
};
Reports reports;

void BRISCA_CALL OnEnd(int32_t channel, uint32_t user) {
  {
    const std::lock_guard lock(reports.mutex);
    reports.ends.emplace_back(channel, user);
  }
  reports.changed.notify_all();
}

void BRISCA_CALL OnInfoFrame(const unsigned char* record, uint32_t length, uint32_t, uint32_t,
                             uint32_t user) {
  const std::lock_guard lock(reports.mutex);
  reports.info_frames++;
  if (!record || length < 48) reports.short_info_frames++;
  reports.info_user = user;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ExportedPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      const std::lock_guard lock(reports.mutex);
      reports.ends.clear();
      reports.info_frames = 0;
      reports.short_info_frames = 0;
      reports.info_user = 0;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::path(API_TEST_WORK) / info->test_suite_name() / info->name();
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ASSERT_EQ(BR_CreateDecoder(&decoder_), 0);
    ASSERT_NE(decoder_, 0u);
  }
  void TearDown() override { EXPECT_EQ(BR_EraseDecoder(decoder_), 0); }

  // A stream file of `seconds` at kWidth x kHeight, 25 frames a second.
  std::string Generate(const std::string& name, int seconds) {
    const std::string path = (folder_ / name).string();
    const std::string command = std::string("'") + API_TEST_TOOL + "' sample stream --size " +
                                std::to_string(kWidth) + "x" + std::to_string(kHeight) +
                                " --duration " + std::to_string(seconds) + " -o '" + path +
                                "' >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
  }

  // Waits for `count` end reports; false when the deadline passes first.
  bool WaitForEnds(size_t count) {
    std::unique_lock lock(reports.mutex);
    return reports.changed.wait_for(lock, kEndDeadline,
                                    [&] { return reports.ends.size() >= count; });
  }

  fs::path folder_;
  uint32_t decoder_ = 0;
};

TEST_F(ExportedPlaybackTest, PlaysToTheEndAndReports) {
  const std::string recording = Generate("four.strm", 4);
  MemoryTarget window;
  ASSERT_EQ(BR_OpenFile(recording.c_str(), window.target(), 0, decoder_), 0);

  RecFileInfo info{};
  ASSERT_EQ(JV_GetEVFInfo(decoder_, 0, &info), 0);
  EXPECT_EQ(info.width, kWidth);
  EXPECT_EQ(info.height, kHeight);
  EXPECT_EQ(JV_GetEVFInfo(decoder_, 1, &info), 1);

  RecFileParam param{};
  ASSERT_EQ(BR_GetFileInfo(decoder_, &param), 0);
  EXPECT_GT(param.duration_ms, 3000);
  EXPECT_LE(param.duration_ms, 4000);
  EXPECT_EQ(param.start_time.year, 2026);
  EXPECT_EQ(param.start_time.month, 3);
  EXPECT_EQ(param.start_time.day, 8);

  ASSERT_EQ(BR_SetEndCallBack(decoder_, 77, OnEnd), 0);
  ASSERT_EQ(BR_SetInfoFrameCallBack(decoder_, 78, OnInfoFrame), 0);
  ASSERT_EQ(BR_Play(decoder_, 0), 0);
  ASSERT_TRUE(WaitForEnds(1));
  {
    const std::lock_guard lock(reports.mutex);
    EXPECT_EQ(reports.ends.front(), std::make_pair(int32_t{0}, uint32_t{77}));
    EXPECT_GT(reports.info_frames, 0);
    EXPECT_EQ(reports.short_info_frames, 0);
    EXPECT_EQ(reports.info_user, 78u);
  }
  EXPECT_GT(window.presents(), 0u);
  EXPECT_EQ(Unexpected(window), 0u);

  // The last frame shown is near the end of the recording.
  int32_t ms = -1;
  ASSERT_EQ(BR_GetPlayTime(decoder_, &ms), 0);
  EXPECT_GT(ms, 3000);
  EXPECT_LE(ms, param.duration_ms);

  const std::string bmp = (folder_ / "last.bmp").string();
  unsigned char stamp[16];
  ASSERT_EQ(BR_CaptureBMP(decoder_, 0, bmp.c_str(), stamp), 0);
  const std::vector<uint8_t> file = ReadFile(bmp);
  ASSERT_EQ(file.size(), 54u + kWidth * kHeight * 3);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');

  EXPECT_EQ(BR_CloseFile(decoder_, 0), 0);
  EXPECT_EQ(JV_GetEVFInfo(decoder_, 0, &info), 1);
  EXPECT_EQ(BR_Play(decoder_, 0), 1);
}

TEST_F(ExportedPlaybackTest, TwoChannelsPlayTogether) {
  const std::string recording = Generate("two.strm", 2);
  MemoryTarget first;
  MemoryTarget second;
  ASSERT_EQ(BR_OpenFile(recording.c_str(), first.target(), 0, decoder_), 0);
  ASSERT_EQ(BR_OpenFile(recording.c_str(), second.target(), 5, decoder_), 0);
  ASSERT_EQ(BR_SetEndCallBack(decoder_, 9, OnEnd), 0);
  ASSERT_EQ(BR_Play(decoder_, 0), 0);
  ASSERT_EQ(BR_Play(decoder_, 5), 0);
  ASSERT_TRUE(WaitForEnds(2));
  {
    const std::lock_guard lock(reports.mutex);
    std::vector<int32_t> channels;
    for (const auto& [channel, user] : reports.ends) {
      channels.push_back(channel);
      EXPECT_EQ(user, 9u);
    }
    EXPECT_NE(std::find(channels.begin(), channels.end(), 0), channels.end());
    EXPECT_NE(std::find(channels.begin(), channels.end(), 5), channels.end());
  }
  EXPECT_GT(first.presents(), 0u);
  EXPECT_GT(second.presents(), 0u);
  EXPECT_EQ(Unexpected(first) + Unexpected(second), 0u);
}

TEST_F(ExportedPlaybackTest, EraseWhilePlaying) {
  const std::string recording = Generate("erase.strm", 4);
  MemoryTarget window;
  ASSERT_EQ(BR_OpenFile(recording.c_str(), window.target(), 0, decoder_), 0);
  ASSERT_EQ(BR_Play(decoder_, 0), 0);
  // Closes the channel, waiting for its worker, before `window` goes away.
  EXPECT_EQ(BR_EraseDecoder(decoder_), 0);
  EXPECT_EQ(BR_GetSynChannel(decoder_), -1);
  EXPECT_EQ(BR_Play(decoder_, 0), 1);
  decoder_ = 0;
}

// Writes an opaque single-colour PNG.
bool WritePng(const std::string& path, uint8_t red, uint8_t green, uint8_t blue) {
  constexpr int kSide = 4;
  std::vector<uint8_t> pixels;
  for (int i = 0; i < kSide * kSide; ++i) pixels.insert(pixels.end(), {red, green, blue, 255});
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kSide;
  image.height = kSide;
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

// The blue, green and red bytes of the middle pixel of a 24-bit BMP file.
std::vector<uint8_t> MiddlePixel(const std::vector<uint8_t>& bmp) {
  const size_t offset = 54 + (static_cast<size_t>(kHeight / 2) * kWidth + kWidth / 2) * 3;
  if (bmp.size() < offset + 3) return {};
  return {bmp[offset], bmp[offset + 1], bmp[offset + 2]};
}

TEST_F(ExportedPlaybackTest, WatermarkPathIsUtf16) {
  // Two-byte, three-byte and four-byte (surrogate pair) characters.
  const std::string name8 = "w\u00e4sser-\u6c34-\U0001F600";
  const std::u16string name16 = u"w\u00e4sser-\u6c34-\U0001F600";
  const fs::path mark_folder = folder_ / name8;
  fs::create_directories(mark_folder);
  ASSERT_TRUE(WritePng((mark_folder / "mark.png").string(), 0, 255, 0));

  const std::string base = folder_.string();
  std::u16string path16(base.begin(), base.end());  // the work folder is ASCII
  ASSERT_TRUE(std::all_of(base.begin(), base.end(), [](char c) { return c > 0; }));
  path16 += u"/" + name16 + u"/mark.png";
  std::vector<uint16_t> path(path16.begin(), path16.end());
  path.push_back(0);

  const std::string recording = Generate("mark.strm", 1);
  MemoryTarget window;
  ASSERT_EQ(BR_OpenFile(recording.c_str(), window.target(), 0, decoder_), 0);
  ASSERT_EQ(BR_SetEndCallBack(decoder_, 1, OnEnd), 0);
  ASSERT_EQ(BR_Play(decoder_, 0), 0);
  ASSERT_TRUE(WaitForEnds(1));

  unsigned char stamp[16];
  const std::string plain = (folder_ / "plain.bmp").string();
  ASSERT_EQ(BR_CaptureBMP(decoder_, 0, plain.c_str(), stamp), 0);
  ASSERT_EQ(BR_InitWatermark(decoder_, path.data(), 1, 100), 0);
  const std::string marked = (folder_ / "marked.bmp").string();
  ASSERT_EQ(BR_CaptureBMP(decoder_, 0, marked.c_str(), stamp), 0);

  const std::vector<uint8_t> plain_pixel = MiddlePixel(ReadFile(plain));
  const std::vector<uint8_t> marked_pixel = MiddlePixel(ReadFile(marked));
  ASSERT_EQ(plain_pixel.size(), 3u);
  ASSERT_EQ(marked_pixel.size(), 3u);
  EXPECT_NE(plain_pixel, marked_pixel);
  // Opacity 100% is 254/255: the watermark's green, give or take one.
  EXPECT_LE(marked_pixel[0], 1);
  EXPECT_GE(marked_pixel[1], 254);
  EXPECT_LE(marked_pixel[2], 1);
}

}  // namespace
