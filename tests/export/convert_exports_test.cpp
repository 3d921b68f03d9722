// The conversion exports through libbrisca.so and its public header alone:
// handles, the wait on destroy, and a recorder-disk recording converted to
// the same file as the stream it was made from, but never over its disk.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "brisca.h"
#include "tests/export/export_test_support.h"

namespace {

using brisca::testing::ReadAvi;
using brisca::testing::WorkPath;

constexpr const char* kRecordingOptions =
    "--size 96x64 --fps 5 --keyint 10 --duration 60 --audio g726-32 "
    "--start '2026-05-01 10:00:00' --seed 4";
constexpr uint32_t kFrom = 10 * 65536 + 0 * 256 + 10;  // 10:00:10
constexpr uint32_t kTo = 10 * 65536 + 0 * 256 + 40;    // 10:00:40

struct Reports {
  std::mutex mutex;
  std::vector<std::pair<int32_t, int32_t>> calls;
  std::atomic<uint32_t> handle{0};
  std::atomic<int32_t> destroy_from_callback{1};
};
Reports reports;

void BRISCA_CALL Record(uint32_t, int32_t done, int32_t total) {
  const std::lock_guard lock(reports.mutex);
  reports.calls.emplace_back(done, total);
}

void BRISCA_CALL DestroyFromCallback(uint32_t, int32_t done, int32_t total) {
  if (reports.destroy_from_callback == 1)
    reports.destroy_from_callback = JV_CONVERTDLL_UnInitDllMange(reports.handle);
  Record(0, done, total);
}

std::vector<std::pair<int32_t, int32_t>> TakeCalls() {
  const std::lock_guard lock(reports.mutex);
  return std::move(reports.calls);
}

// Converts through the exports and destroys the handle, which waits.
void Convert(const std::string& source, const std::string& output,
             JV_CONVERT_PROGRESS_CALLBACK callback) {
  const uint32_t handle = JV_CONVERTDLL_InitDllMange(source.c_str(), output.c_str());
  ASSERT_NE(handle, 0u);
  reports.handle = handle;
  ASSERT_EQ(JV_CONVERTDLL_RegisterCovInfoCallBack(handle, 0, callback), 0);
  ASSERT_EQ(JV_CONVERTDLL_ConvertH264ToAVI(handle, 0, 0, kFrom, kTo, kTo), 0);
  EXPECT_EQ(JV_CONVERTDLL_UnInitDllMange(handle), 0);
}

void ExpectCompleted(const std::vector<std::pair<int32_t, int32_t>>& calls) {
  ASSERT_GE(calls.size(), 2u);
  EXPECT_GT(calls.back().second, 0);
  EXPECT_EQ(calls.back().first, calls.back().second);
}

TEST(ConvertExportsTest, NullAndStaleHandles) {
  EXPECT_EQ(JV_CONVERTDLL_InitDllMange(nullptr, "out.avi"), 0u);
  EXPECT_EQ(JV_CONVERTDLL_InitDllMange("in", nullptr), 0u);
  EXPECT_EQ(JV_CONVERTDLL_UnInitDllMange(0), -1);
  EXPECT_EQ(JV_CONVERTDLL_RegisterCovInfoCallBack(0, 0, Record), -1);
  EXPECT_EQ(JV_CONVERTDLL_ConvertH264ToAVI(0, 0, 0, kFrom, kTo, kTo), -1);
  const uint32_t handle = JV_CONVERTDLL_InitDllMange("1\\2\\3", WorkPath("stale.avi").c_str());
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(JV_CONVERTDLL_UnInitDllMange(handle), 0);
  EXPECT_EQ(JV_CONVERTDLL_UnInitDllMange(handle), -1);
  EXPECT_EQ(JV_CONVERTDLL_RegisterCovInfoCallBack(handle, 0, Record), -1);
  EXPECT_EQ(JV_CONVERTDLL_ConvertH264ToAVI(handle, 0, 0, kFrom, kTo, kTo), -1);
  EXPECT_EQ(JV_CONVERTDLL_UnInitDllMange(handle + 1000), -1);
}

TEST(ConvertExportsTest, DiskRecordingConvertsLikeItsStream) {
  const std::string stream = brisca::testing::Recording(kRecordingOptions);
  ASSERT_FALSE(stream.empty());
  const std::string image = WorkPath("convert-disk.img");
  ASSERT_EQ(
      std::system(("'" + std::string(EXPORT_TEST_TOOL) + "' mkdisk '" + image +
                   "' --disk-number 6 --segment channel=2,type=1,file='" + stream + "' >/dev/null")
                      .c_str()),
      0);
  setenv("BRISCA_DRIVES", image.c_str(), 1);
  NvrSearchResult found[12] = {};
  ASSERT_EQ(NVR_SearchSD(-1, found), 1);
  RecFileParam* list = nullptr;
  ASSERT_EQ(NVR_GetFileParam(&list, nullptr, 0), 1);
  const std::string name = list[0].name;
  NVR_FreeFileParam(list);
  uint32_t decoder = 0;
  ASSERT_EQ(BR_CreateDecoder(&decoder), 0);
  NVR_UnMount(decoder, 0);
  ASSERT_EQ(NVR_Mount(decoder, 0), 0);

  TakeCalls();
  const std::string from_disk = WorkPath("from-disk.avi");
  Convert(name, from_disk, Record);
  ExpectCompleted(TakeCalls());
  const std::string from_stream = WorkPath("from-stream.avi");
  Convert(stream, from_stream, Record);
  ExpectCompleted(TakeCalls());

  // The disk image itself as the output: refused, the image unchanged.
  const std::vector<uint8_t> image_bytes = brisca::testing::ReadBytes(image);
  Convert(name, image, Record);
  EXPECT_EQ(TakeCalls(), (std::vector<std::pair<int32_t, int32_t>>{{-1, 0}}));
  EXPECT_TRUE(brisca::testing::ReadBytes(image) == image_bytes);

  const auto disk_file = ReadAvi(from_disk);
  const auto stream_file = ReadAvi(from_stream);
  ASSERT_TRUE(disk_file);
  ASSERT_TRUE(stream_file);
  // 10:00:10 and 10:00:40 are key frames: 30 s of 5 fps and the end's key frame.
  EXPECT_EQ(disk_file->Chunks("00db").size(), 151u);
  EXPECT_EQ(disk_file->bytes, stream_file->bytes);

  EXPECT_EQ(NVR_UnMount(decoder, 0), 0);
  EXPECT_EQ(BR_EraseDecoder(decoder), 0);
}

TEST(ConvertExportsTest, DestroyingFromTheCallbackIsRefused) {
  const std::string stream = brisca::testing::Recording(kRecordingOptions);
  ASSERT_FALSE(stream.empty());
  TakeCalls();
  reports.destroy_from_callback = 1;
  const std::string output = WorkPath("callback-destroy.avi");
  Convert(stream, output, DestroyFromCallback);
  EXPECT_EQ(reports.destroy_from_callback.load(), -1);
  ExpectCompleted(TakeCalls());
  EXPECT_TRUE(ReadAvi(output));
}

TEST(ConvertExportsTest, ConvertsWithoutACallback) {
  const std::string stream = brisca::testing::Recording(kRecordingOptions);
  ASSERT_FALSE(stream.empty());
  TakeCalls();
  const std::string output = WorkPath("no-callback.avi");
  Convert(stream, output, nullptr);
  EXPECT_TRUE(TakeCalls().empty());
  const auto file = ReadAvi(output);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Chunks("00db").size(), 151u);
}

}  // namespace
