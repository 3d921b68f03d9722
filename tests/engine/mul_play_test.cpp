// The multi-channel player: elections, master and followers, broadcast
// operations and what reaches the program's callbacks.
#include "brisca/engine/mul_play.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "brisca/stream/info_record.h"
#include "tests/engine/engine_test_support.h"

namespace brisca {
namespace {

using testing::MemoryTarget;
using testing::Recording;
using testing::VirtualClock;
using testing::WaitFor;

std::string At(const char* start, int seconds = 30, const char* more = "") {
  return Recording(std::string("--size 96x64 --keyint 50 --duration ") + std::to_string(seconds) +
                   " --start '2026-03-08 " + start + "' " + more);
}

class MulPlayTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
  int Open(int channel, const std::string& path) {
    return mul_->Open(path.c_str(), targets_[channel]->target(), channel);
  }

  // Elections and roles are checked on the real clock, with recordings long
  // enough not to end during the test.
  TickClock& clock_ = SystemTickClock();
  std::vector<std::unique_ptr<MemoryTarget>> targets_ = testing::MemoryTargets(clock_, kChannelSlots);
  std::unique_ptr<CMulPlay> mul_ = std::make_unique<CMulPlay>(clock_);
};

TEST_F(MulPlayTest, OpenElectsTheEarliestStartAndTiesGoToTheChannelJustOpened) {
  ASSERT_EQ(Open(0, At("10:00:05")), 0);
  EXPECT_EQ(mul_->sync_channel(), 0);
  ASSERT_EQ(Open(1, At("10:00:00")), 0);
  EXPECT_EQ(mul_->sync_channel(), 1);
  ASSERT_EQ(Open(2, At("10:00:00", 30, "--seed 2")), 0);
  EXPECT_EQ(mul_->sync_channel(), 2);
  EXPECT_EQ(mul_->channel_count(), 3);

  // A failed open leaves the others alone, and the master's time still
  // reaches the followers.
  EXPECT_NE(mul_->Open("/no/such/file.strm", targets_[3]->target(), 3), 0);
  EXPECT_EQ(mul_->channel_count(), 3);
  EXPECT_EQ(mul_->player(3), nullptr);
  mul_->MasterTime(2, 123456);
  EXPECT_EQ(mul_->player(0)->master_time(), 123456u);
  EXPECT_EQ(mul_->player(1)->master_time(), 123456u);
  EXPECT_EQ(mul_->player(2)->master_time(), 0u);

  // Outside the eight slots nothing happens.
  EXPECT_EQ(mul_->Open(At("10:00:00").c_str(), targets_[0]->target(), 8), 1);
  EXPECT_EQ(mul_->Open(At("10:00:00").c_str(), targets_[0]->target(), -1), 1);
  EXPECT_EQ(mul_->Play(9), 1);
  EXPECT_EQ(mul_->SetSyncChannel(8), 1);
  EXPECT_EQ(mul_->channel_count(), 3);
}

TEST_F(MulPlayTest, OneChannelHandsItsTimeToNobody) {
  ASSERT_EQ(Open(0, At("10:00:00")), 0);
  ASSERT_EQ(Open(1, At("10:00:05")), 0);
  mul_->Close(1);
  EXPECT_EQ(mul_->channel_count(), 1);
  ASSERT_EQ(Open(1, At("10:00:05")), 0);
  mul_->Close(0);
  mul_->MasterTime(0, 777);
  EXPECT_EQ(mul_->player(1)->master_time(), 0u);
}

TEST_F(MulPlayTest, EndOfTheMasterElectsTheEarliestPlayingChannel) {
  ASSERT_EQ(Open(0, At("10:00:00")), 0);
  ASSERT_EQ(Open(2, At("10:00:08")), 0);
  ASSERT_EQ(Open(5, At("10:00:04")), 0);
  ASSERT_EQ(mul_->sync_channel(), 0);
  for (int channel : {0, 2, 5}) ASSERT_EQ(mul_->Play(channel), 0);
  EXPECT_TRUE(mul_->player(0)->is_master());
  EXPECT_TRUE(mul_->player(2)->is_follower());

  mul_->ChannelEnded(0);
  EXPECT_EQ(mul_->sync_channel(), 5);
  EXPECT_TRUE(mul_->player(5)->is_master());
  EXPECT_FALSE(mul_->player(5)->is_follower());
  EXPECT_TRUE(mul_->player(2)->is_follower());
  EXPECT_FALSE(mul_->player(0)->is_master());

  // A follower that ends stays a follower: the others keep to the master.
  mul_->player(2)->Stop();
  mul_->ChannelEnded(2);
  EXPECT_EQ(mul_->sync_channel(), 5);
  EXPECT_TRUE(mul_->player(5)->is_master());
  EXPECT_FALSE(mul_->player(2)->is_master());
}

TEST_F(MulPlayTest, FileInformationWidensTheDurationToTheLongestRecording) {
  ASSERT_EQ(Open(0, At("10:00:00", 5)), 0);
  ASSERT_EQ(Open(1, At("10:00:00", 9, "--seed 5")), 0);
  ASSERT_EQ(Open(2, At("10:00:01", 7)), 0);
  // Channel 1 won the tie when it was opened; channel 2 starts later, and
  // among the earliest the lower index wins.
  ASSERT_EQ(mul_->sync_channel(), 0);
  const auto duration = [&](int channel) { return mul_->player(channel)->file_param().duration_ms; };
  ASSERT_GT(duration(1), duration(2));
  ASSERT_GT(duration(2), duration(0));
  RecFileParam info{};
  ASSERT_EQ(mul_->FileInfo(&info), 0);
  RecFileParam expected = mul_->player(0)->file_param();
  expected.duration_ms = duration(1);
  EXPECT_EQ(std::memcmp(&info, &expected, sizeof info), 0);

  mul_->SetSyncChannel(2);
  ASSERT_EQ(mul_->FileInfo(&info), 0);
  // Copied out first: the packed record's 64-bit fields are not aligned.
  const uint64_t start = info.start;
  const uint64_t expected_start = mul_->player(2)->file_param().start;
  EXPECT_EQ(start, expected_start);
  EXPECT_EQ(info.duration_ms, duration(1));

  mul_->Close(2);
  EXPECT_EQ(mul_->FileInfo(&info), 1);  // the synchronising slot is empty
  int32_t position = 0;
  EXPECT_EQ(mul_->PlayPosition(&position), 1);
}

TEST_F(MulPlayTest, SoundGoesToOneChannel) {
  for (int channel : {0, 1, 2}) ASSERT_EQ(Open(channel, At("10:00:00")), 0);
  mul_->SoundOn(2);
  EXPECT_FALSE(mul_->player(0)->sound_selected());
  EXPECT_FALSE(mul_->player(1)->sound_selected());
  EXPECT_TRUE(mul_->player(2)->sound_selected());
  mul_->SoundOn(0);
  EXPECT_TRUE(mul_->player(0)->sound_selected());
  EXPECT_FALSE(mul_->player(2)->sound_selected());
  mul_->SoundOff();
  EXPECT_FALSE(mul_->player(0)->sound_selected());
}

// Played to their ends on a virtual clock: telemetry comes only from the
// synchronising channel, complete and in order, and each channel reports
// its end once.
TEST(MulPlayEndToEndTest, TelemetryFromTheSynchronisingChannelAndOneEndEach) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  VirtualClock clock;
  std::vector<std::unique_ptr<MemoryTarget>> targets = testing::MemoryTargets(clock, 3);
  CMulPlay mul(clock);
  const std::string north = At("10:00:00", 4, "--hemisphere NE --seed 7");
  const std::string south = At("10:00:01", 4, "--hemisphere SW --seed 8");
  ASSERT_EQ(mul.Open(north.c_str(), targets[0]->target(), 0), 0);
  ASSERT_EQ(mul.Open(south.c_str(), targets[1]->target(), 1), 0);
  ASSERT_EQ(mul.Open(south.c_str(), targets[2]->target(), 2), 0);
  ASSERT_EQ(mul.sync_channel(), 0);

  static std::mutex lock;
  static std::vector<testing::TelemetryRecord>* received;
  static std::atomic<int> ends[kChannelSlots];
  std::vector<testing::TelemetryRecord> records;
  received = &records;
  for (auto& end : ends) end = 0;
  mul.SetInfoFrameCallback(11, [](const unsigned char* record, uint32_t length, uint32_t low,
                                  uint32_t high, uint32_t user) {
    EXPECT_EQ(user, 11u);
    EXPECT_GE(length, sizeof(InfoRecord));
    std::lock_guard<std::mutex> hold(lock);
    received->push_back({(uint64_t{high} << 32) | low,
                         std::vector<uint8_t>(record, record + sizeof(InfoRecord))});
  });
  mul.SetEndCallback(0, [](int32_t channel, uint32_t) { ++ends[channel]; });
  for (int channel : {0, 1, 2}) ASSERT_EQ(mul.Play(channel), 0);
  ASSERT_TRUE(WaitFor([&] { return ends[0] && ends[1] && ends[2]; }));
  const uint32_t ended = clock.Now();
  ASSERT_TRUE(WaitFor([&] { return clock.Now() - ended > 2000; }));
  for (int channel : {0, 1, 2}) EXPECT_EQ(ends[channel].load(), 1) << channel;

  mul.CloseAll();
  EXPECT_EQ(mul.channel_count(), 0);
  EXPECT_EQ(records, testing::Telemetry(north));
}

}  // namespace
}  // namespace brisca
