#include "brisca/device/index_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/device/device_file_builder.h"

namespace brisca {
namespace {

using testing::DeviceFileBuilder;
using testing::MakeInfo;

// What the callback saw; filled on the worker thread.
struct Events {
  std::mutex mutex;
  std::condition_variable changed;
  int calls = 0;
  int32_t event = -1;
  int32_t value = -1;
  int32_t user = -1;

  void WaitForCall() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return calls > 0; });
  }
};

Events* g_events = nullptr;

void BRISCA_CALL RecordEvent(int32_t event, int32_t value, int32_t user) {
  const std::lock_guard lock(g_events->mutex);
  ++g_events->calls;
  g_events->event = event;
  g_events->value = value;
  g_events->user = user;
  g_events->changed.notify_all();
}

class IndexReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { g_events = &events_; }
  void TearDown() override { g_events = nullptr; }
  Events events_;
};

// `keys` key chunks with telemetry, each followed by predicted chunks (one
// with telemetry) and audio.
std::string Recording(int keys, bool with_info = true) {
  DeviceFileBuilder file;
  for (int i = 0; i < keys; ++i) {
    const uint64_t at = 1000000u + uint64_t(i) * 1000000u;
    const auto info = [&](uint16_t tag) {
      return with_info ? std::optional(MakeInfo(14, 5, 9, tag)) : std::nullopt;
    };
    file.Key(at, info(1), 120).Audio().Predicted(at + 400000, info(2), 30).Audio();
  }
  return file.Write("walk-" + std::to_string(keys) + (with_info ? "" : "-plain") + ".dav");
}

TEST_F(IndexReaderTest, WalksEveryRecordAndReportsTheEndOnce) {
  CIndexReader reader;
  ASSERT_EQ(reader.Open(Recording(120).c_str()), 0);
  reader.SetCallback(77, RecordEvent);
  ASSERT_EQ(reader.StartReading(), 0);
  events_.WaitForCall();
  EXPECT_EQ(reader.StopReading(), 0);
  EXPECT_EQ(reader.records_walked(), 240u);
  const std::lock_guard lock(events_.mutex);
  EXPECT_EQ(events_.calls, 1);
  EXPECT_EQ(events_.event, CIndexReader::kEventEnd);
  EXPECT_EQ(events_.value, 0);
  EXPECT_EQ(events_.user, 77);
}

TEST_F(IndexReaderTest, FileWithoutInfoBlocksWalksToTheEndAndReports) {
  CIndexReader reader;
  ASSERT_EQ(reader.Open(Recording(10, false).c_str()), 0);
  reader.SetCallback(5, RecordEvent);
  ASSERT_EQ(reader.StartReading(), 0);
  events_.WaitForCall();
  reader.StopReading();
  EXPECT_EQ(reader.records_walked(), 0u);
  const std::lock_guard lock(events_.mutex);
  EXPECT_EQ(events_.event, 2);
  EXPECT_EQ(events_.value, 0);
  EXPECT_EQ(events_.user, 5);
}

TEST_F(IndexReaderTest, StoppingDuringTheWalkGivesNoCallback) {
  // 20,000 records: the walk pauses 400 times for 5 ms, so it is still
  // under way when the stop comes.
  CIndexReader reader;
  ASSERT_EQ(reader.Open(Recording(10000).c_str()), 0);
  reader.SetCallback(1, RecordEvent);
  ASSERT_EQ(reader.StartReading(), 0);
  while (reader.records_walked() < 60) std::this_thread::yield();
  EXPECT_EQ(reader.StopReading(), 0);
  const uint64_t walked = reader.records_walked();
  EXPECT_LT(walked, 20000u);
  EXPECT_EQ(events_.calls, 0);
  // A new start continues where the walk stopped and reports the end.
  ASSERT_EQ(reader.StartReading(), 0);
  events_.WaitForCall();
  reader.StopReading();
  EXPECT_EQ(reader.records_walked(), 20000u);
}

TEST_F(IndexReaderTest, StartsOnceAndStopsWhenIdle) {
  CIndexReader reader;
  EXPECT_EQ(reader.StopReading(), 0);  // nothing started
  ASSERT_EQ(reader.Open(Recording(3).c_str()), 0);
  ASSERT_EQ(reader.StartReading(), 0);
  EXPECT_EQ(reader.StartReading(), 1);  // started and not stopped
  reader.StopReading();
  EXPECT_EQ(reader.Open("/nonexistent.dav"), 1);
}

TEST_F(IndexReaderTest, FileInfoIsReadableWhileTheWorkerWalks) {
  CIndexReader reader;
  ASSERT_EQ(reader.Open(Recording(2000).c_str()), 0);
  reader.SetCallback(0, RecordEvent);
  ASSERT_EQ(reader.StartReading(), 0);
  RecFileParam param{};
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(reader.GetFileInfo(&param), 0);
    EXPECT_EQ(uint64_t{param.start}, 1000000u);
    EXPECT_EQ(uint64_t{param.end}, 2000400000u);
    reader.SetCallback(i, RecordEvent);  // changed while the worker runs
  }
  EXPECT_EQ(reader.GetFileInfo(nullptr), 1);
  events_.WaitForCall();
  reader.StopReading();
  EXPECT_EQ(std::string(param.device_type, 11), "KVR_REC_40X");
}

}  // namespace
}  // namespace brisca
