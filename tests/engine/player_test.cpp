// One channel player on a virtual clock: pacing, the end notice, seeking,
// stepping, sound and fast and backward play.
#include "brisca/engine/player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>

#include "brisca/stream/info_record.h"
#include "tests/engine/engine_test_support.h"

namespace brisca {
namespace {

using testing::MemoryTarget;
using testing::Presented;
using testing::Recording;
using testing::VirtualClock;
using testing::WaitFor;

const char kLongRecording[] = "--size 96x64 --duration 20 --keyint 50 --seed 3";
const char kShortRecording[] = "--size 96x64 --duration 2 --keyint 50 --seed 4";

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
  void TearDown() override { player_.Close(); }

  void OpenRecording(const char* options) {
    path_ = Recording(options);
    ASSERT_FALSE(path_.empty());
    ASSERT_EQ(player_.Open(path_.c_str(), target_.target()), 0);
  }
  // Waits until `count` more distinct pictures than `after` were shown.
  std::vector<Presented> ShownAfter(size_t after, size_t count) {
    EXPECT_TRUE(WaitFor([&] { return target_.distinct().size() >= after + count; }));
    std::vector<Presented> shown = target_.distinct();
    return {shown.begin() + static_cast<std::ptrdiff_t>(after), shown.end()};
  }
  static std::vector<uint32_t> Intervals(const std::vector<Presented>& shown) {
    std::vector<uint32_t> out;
    for (size_t i = 1; i < shown.size(); ++i) out.push_back(static_cast<uint32_t>(shown[i].tick - shown[i - 1].tick));
    return out;
  }

  VirtualClock clock_;
  MemoryTarget target_{testing::ArrivalsOn(clock_)};
  CPlayer player_{clock_};
  std::string path_;
};

TEST_F(PlayerTest, PacesFramesByTheirTimestampsAtEachRate) {
  OpenRecording(kLongRecording);
  ASSERT_EQ(player_.Play(), 0);
  // The first three are shown together when playing starts.
  for (uint32_t interval : Intervals(ShownAfter(3, 12))) EXPECT_EQ(interval, 40u);

  player_.SetRate(2, false);  // a device that is not of the camera kind
  size_t mark = target_.distinct().size();
  const std::vector<uint32_t> fast = Intervals(ShownAfter(mark + 2, 10));
  for (uint32_t interval : fast) EXPECT_EQ(interval, 22u);

  player_.SetRate(-2, false);
  mark = target_.distinct().size();
  for (uint32_t interval : Intervals(ShownAfter(mark + 2, 5))) EXPECT_EQ(interval, 160u);
}

TEST_F(PlayerTest, EndIsNotifiedOnceAndPausesPlayback) {
  OpenRecording(kShortRecording);
  std::atomic<int> ends{0};
  static std::atomic<int>* counter;
  counter = &ends;
  player_.SetEndCallback(7, [](int32_t channel, uint32_t user) {
    EXPECT_EQ(channel, 0);
    EXPECT_EQ(user, 7u);
    ++*counter;
  });
  ASSERT_EQ(player_.Play(), 0);
  ASSERT_TRUE(WaitFor([&] { return ends > 0; }));
  const uint32_t ended_at = clock_.Now();
  // The worker keeps passing (a virtual 3 s) without a second notice.
  ASSERT_TRUE(WaitFor([&] { return clock_.Now() - ended_at > 3000; }));
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(player_.paused());
  const std::vector<uint64_t> frames = testing::VideoTimestamps(path_);
  EXPECT_EQ(target_.distinct().size(), frames.size());
  EXPECT_EQ(player_.current_timestamp(), frames.back());
}

TEST_F(PlayerTest, SeekWhilePausedShowsThePictureThereAndStaysPaused) {
  OpenRecording(kLongRecording);
  ASSERT_EQ(player_.Play(), 0);
  ShownAfter(0, 5);
  player_.Pause(true);
  const uint64_t start = player_.start_time();
  const size_t before = target_.distinct().size();
  ASSERT_EQ(player_.Seek(8000), 0);
  const std::vector<Presented> after = target_.distinct();
  ASSERT_GT(after.size(), before);
  EXPECT_EQ(after[before].timestamp, start + 8000);  // the key frame there
  EXPECT_TRUE(player_.paused());
  const uint32_t now = clock_.Now();
  ASSERT_TRUE(WaitFor([&] { return clock_.Now() - now > 2000; }));
  EXPECT_EQ(target_.distinct().size(), after.size());
  EXPECT_EQ(player_.Seek(999999), 1);  // past the end: refused, nothing changes
  EXPECT_EQ(target_.distinct().size(), after.size());
}

// A seek shows the frame at its target and steps go on from there; a step
// back shows the key frame before the picture on screen, never a later one.
TEST_F(PlayerTest, StepsAndSeeksGoOnFromThePictureShown) {
  OpenRecording(kLongRecording);
  ASSERT_EQ(player_.Play(), 0);
  ShownAfter(0, 5);
  player_.Pause(true);
  const uint64_t start = player_.start_time();
  const auto shown = [&] { return player_.current_timestamp() - start; };
  ASSERT_EQ(player_.Seek(5000), 0);
  EXPECT_EQ(shown(), 5000u);
  const struct {
    bool reverse;
    uint64_t expected;  // ms into the recording; key frames every 2 s
  } steps[] = {{false, 5040}, {false, 5080}, {false, 5120}, {true, 4000}, {true, 2000},
               {false, 2040}, {false, 2080}, {true, 2000}, {true, 0}};
  for (const auto& step : steps) {
    player_.SetRate(0, step.reverse);
    player_.Step();
    EXPECT_EQ(shown(), step.expected) << (step.reverse ? "back" : "forward");
  }
  ASSERT_EQ(player_.Seek(9000), 0);
  EXPECT_EQ(shown(), 8000u);  // backward play shows key frames only
}

TEST_F(PlayerTest, SingleStepAsFollowerShowsThePictureOfTheMastersMoment) {
  OpenRecording(kLongRecording);
  const std::vector<uint64_t> frames = testing::VideoTimestamps(path_);
  const auto master_at = [&](int64_t ms_after_first) {
    SyncReference reference =
        MakeReference(player_.wall().wall_start + ms_after_first, clock_.Now(), 40, false, 0, false);
    reference.held = true;  // a stepping master is paused
    player_.SetReference(reference);
  };
  player_.SetFollower(true);
  master_at(-250);  // the master's moment has not reached this recording
  player_.Step();
  EXPECT_EQ(target_.presents(), 0u);
  master_at(250);   // behind: one picture, the last one at or before the moment
  player_.Step();
  ASSERT_EQ(target_.presents(), 1u);
  EXPECT_EQ(target_.presented()[0].timestamp, frames[6]);
  EXPECT_TRUE(player_.paused());
  EXPECT_EQ(player_.given_up_frames(), 6u);
  player_.SetFollower(false);
  player_.Step();
  ASSERT_EQ(target_.presents(), 2u);
  EXPECT_EQ(target_.presented()[1].timestamp, frames[7]);
}

TEST_F(PlayerTest, SoundClosesAwayFromNormalSpeedAndComesBackAtRateZero) {
  OpenRecording(kLongRecording);
  ASSERT_EQ(player_.Play(), 0);
  EXPECT_EQ(player_.SoundOn(), 0);
  EXPECT_EQ(player_.SoundOn(), 1);
  EXPECT_TRUE(player_.sound_playing());
  player_.SetRate(4, false);
  EXPECT_FALSE(player_.sound_playing());
  EXPECT_TRUE(player_.sound_selected());
  player_.SetRate(0, false);
  EXPECT_TRUE(player_.sound_playing());
  EXPECT_EQ(player_.SoundOff(), 0);
  EXPECT_FALSE(player_.sound_playing());
  EXPECT_EQ(player_.SoundOff(), 1);
}

// Key-frame play delivers, with each key frame, the telemetry that belongs
// to it: its own record, or the latest one before it.
TEST_F(PlayerTest, FastForwardShowsKeyFramesWithTheirTelemetry) {
  OpenRecording(kLongRecording);
  static std::vector<testing::TelemetryRecord>* received;
  std::vector<testing::TelemetryRecord> records;
  received = &records;
  player_.SetInfoFrameCallback(0, [](const unsigned char* record, uint32_t, uint32_t low,
                                     uint32_t high, uint32_t) {
    received->push_back({(uint64_t{high} << 32) | low,
                         std::vector<uint8_t>(record, record + sizeof(InfoRecord))});
  });
  ASSERT_EQ(player_.Play(), 0);
  ShownAfter(0, 3);
  player_.SetRate(6, false);
  // The pictures already queued go first; then only key frames follow.
  const uint64_t start = player_.start_time();
  ASSERT_TRUE(WaitFor([&] { return target_.distinct().back().timestamp >= start + 10000; }));
  player_.Stop();
  std::vector<Presented> shown;
  for (const Presented& p : target_.distinct())
    if (p.timestamp >= start + 2000) shown.push_back(p);
  ASSERT_GE(shown.size(), 4u);
  for (size_t i = 0; i < shown.size(); ++i)
    EXPECT_EQ(shown[i].timestamp, start + 2000 * (i + 1)) << i;

  const std::vector<testing::TelemetryRecord> telemetry = testing::Telemetry(path_);
  ASSERT_FALSE(telemetry.empty());
  size_t checked = 0;
  for (const auto& [timestamp, bytes] : records) {
    if (timestamp < shown.front().timestamp) continue;
    const testing::TelemetryRecord* expected = nullptr;
    for (const auto& record : telemetry)
      if (record.first <= timestamp) expected = &record;
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(bytes, expected->second) << "telemetry of the key frame at " << timestamp;
    ++checked;
  }
  EXPECT_GE(checked, shown.size());
}

TEST_F(PlayerTest, BackwardPlayShowsEarlierKeyFrames) {
  OpenRecording(kLongRecording);
  ASSERT_EQ(player_.Play(), 0);
  ShownAfter(0, 60);
  player_.SetRate(0, true);
  const size_t mark = target_.distinct().size();
  const std::vector<Presented> shown = ShownAfter(mark, 2);
  EXPECT_LT(shown[1].timestamp, shown[0].timestamp);
  EXPECT_EQ((shown[0].timestamp - player_.start_time()) % 2000, 0u);
}

TEST_F(PlayerTest, OpenFailureLeavesNothingOpenAndPlayRefuses) {
  EXPECT_NE(player_.Open("/no/such/recording.strm", target_.target()), 0);
  EXPECT_FALSE(player_.is_open());
  EXPECT_EQ(player_.Play(), 1);
  player_.Step();
  EXPECT_EQ(player_.Seek(0), 1);
  EXPECT_EQ(target_.presents(), 0u);
}

}  // namespace
}  // namespace brisca
