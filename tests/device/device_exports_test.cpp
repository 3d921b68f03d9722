// The device-recording exports through libbrisca.so and its public header.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>

#include "brisca.h"
#include "tests/device/device_file_builder.h"

namespace {

using brisca::testing::DeviceFileBuilder;
using brisca::testing::MakeInfo;

std::string SmallRecording() {
  DeviceFileBuilder file;
  file.HeaderByte(50, 2).HeaderText(372, "PLATE");
  for (int i = 0; i < 30; ++i) {
    const uint64_t at = 1000000u + uint64_t(i) * 500000u;
    file.Key(at, MakeInfo(14, 5, static_cast<uint8_t>(9 + i / 2), 1)).Audio().Predicted(at + 250000);
  }
  return file.Write("001-01-260308-140509-00d0001.dav");
}

struct EndReport {
  std::mutex mutex;
  std::condition_variable changed;
  int calls = 0;
  int32_t event = 0, value = -1, user = 0;
  int32_t close_from_callback = -1;  // what closing from the callback answered
  uint32_t handle = 0;
};
EndReport* g_report = nullptr;

void BRISCA_CALL OnEnd(int32_t event, int32_t value, int32_t user) {
  EndReport& report = *g_report;
  // Closing or stopping from the worker's own callback would wait for
  // itself; it is refused.
  const int32_t refused = BR_CloseIndexReader(report.handle) + BR_StopIndexReader(report.handle);
  const std::lock_guard lock(report.mutex);
  report.close_from_callback = refused;
  ++report.calls;
  report.event = event;
  report.value = value;
  report.user = user;
  report.changed.notify_all();
}

TEST(DeviceExportsTest, NullStaleAndForgedHandlesAnswerOne) {
  RecFileParam param{};
  EXPECT_EQ(BR_GetFileParam(0, &param, SmallRecording().c_str()), 1);
  EXPECT_EQ(BR_GetFileParam(0xBADF00D, &param, SmallRecording().c_str()), 1);
  for (uint32_t handle : {0u, 0x7FFF1234u}) {
    EXPECT_EQ(BR_SetReaderCallBack(handle, 1, OnEnd), 1);
    EXPECT_EQ(BR_GetIndexFileInfo(handle, &param), 1);
    EXPECT_EQ(BR_StartIndexReader(handle), 1);
    EXPECT_EQ(BR_StopIndexReader(handle), 1);
    EXPECT_EQ(BR_CloseIndexReader(handle), 1);
  }
  uint32_t reader = 0;
  ASSERT_EQ(BR_OpenIndexReader(SmallRecording().c_str(), &reader), 0);
  EXPECT_NE(reader, 0u);
  EXPECT_EQ(BR_CloseIndexReader(reader), 0);
  EXPECT_EQ(BR_GetIndexFileInfo(reader, &param), 1);  // stale now
  EXPECT_EQ(BR_CloseIndexReader(reader), 1);
}

TEST(DeviceExportsTest, OpeningSomethingElseFailsAndLeavesTheHandleAlone) {
  uint32_t reader = 1234;
  EXPECT_EQ(BR_OpenIndexReader("/nonexistent/recording.dav", &reader), 1);
  DeviceFileBuilder other;
  other.DeviceType("cam_lower").Key(1000000, {});
  EXPECT_EQ(BR_OpenIndexReader(other.Write("other.dav").c_str(), &reader), 1);
  EXPECT_EQ(BR_OpenIndexReader(nullptr, &reader), 1);
  EXPECT_EQ(reader, 1234u);
}

TEST(DeviceExportsTest, GetFileParamSummarisesADeviceFile) {
  uint32_t decoder = 0;
  ASSERT_EQ(BR_CreateDecoder(&decoder), 0);
  RecFileParam param;
  std::memset(&param, 0x33, sizeof param);
  ASSERT_EQ(BR_GetFileParam(decoder, &param, SmallRecording().c_str()), 0);
  EXPECT_EQ(param.start_time.year, 2026);
  EXPECT_EQ(param.end_time.second, 23);  // the last key chunk's telemetry clock
  EXPECT_EQ(param.duration_ms, 14750);
  EXPECT_EQ(param.channel, 2);
  EXPECT_EQ(param.record_type, 2);
  EXPECT_STREQ(param.device_text[0], "PLATE");
  EXPECT_EQ(BR_GetFileParam(decoder, &param, "/nonexistent.dav"), 1);
  EXPECT_EQ(BR_EraseDecoder(decoder), 0);
}

TEST(DeviceExportsTest, WalksToTheEndThroughTheExports) {
  EndReport report;
  g_report = &report;
  uint32_t reader = 0;
  ASSERT_EQ(BR_OpenIndexReader(SmallRecording().c_str(), &reader), 0);
  report.handle = reader;
  RecFileParam param{};
  ASSERT_EQ(BR_GetIndexFileInfo(reader, &param), 0);
  EXPECT_EQ(uint64_t{param.start}, 1000000u);
  EXPECT_EQ(uint64_t{param.end}, 15750000u);
  EXPECT_EQ(BR_GetIndexFileInfo(reader, nullptr), 1);
  ASSERT_EQ(BR_SetReaderCallBack(reader, 99, OnEnd), 0);
  ASSERT_EQ(BR_StartIndexReader(reader), 0);
  {
    std::unique_lock lock(report.mutex);
    report.changed.wait(lock, [&] { return report.calls > 0; });
  }
  EXPECT_EQ(BR_StopIndexReader(reader), 0);
  EXPECT_EQ(report.calls, 1);
  EXPECT_EQ(report.event, 2);
  EXPECT_EQ(report.value, 0);
  EXPECT_EQ(report.user, 99);
  EXPECT_EQ(report.close_from_callback, 2);
  EXPECT_EQ(BR_CloseIndexReader(reader), 0);
  g_report = nullptr;
}

}  // namespace
