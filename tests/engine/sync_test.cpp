// Two cameras of one drive whose recordings start 3 s apart, kept in step
// by the wall-clock time of their frames, on a clock the test moves: at
// normal speed, after a pause and a seek, slow, fast and backward, and
// after one channel stalls.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>

#include "brisca/engine/mul_play.h"
#include "tests/engine/engine_test_support.h"

namespace brisca {
namespace {

using testing::ManualClock;
using testing::MemoryTarget;
using testing::Recording;

constexpr int64_t kFrame = 40;      // ms between pictures
constexpr int64_t kKeyFrames = 2000; // ms between key frames

std::string At(const char* clock, int seed) {
  return Recording(std::string("--size 96x64 --keyint 50 --duration 30 --seed ") +
                   std::to_string(seed) + " --start '2026-03-08 " + clock + "'");
}

class SyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(mul_.Open(At("10:00:00", 21).c_str(), targets_[0]->target(), 0), 0);
    ASSERT_EQ(mul_.Open(At("10:00:03", 22).c_str(), targets_[1]->target(), 1), 0);
    ASSERT_EQ(mul_.sync_channel(), 0);
    ASSERT_EQ(mul_.Play(0), 0);
    ASSERT_EQ(mul_.Play(1), 0);
  }
  void TearDown() override { mul_.CloseAll(); }

  void Run(uint32_t ms) { clock_.Advance(ms, 2); }
  // The wall-clock time of the picture the channel shows.
  int64_t Shown(int channel) {
    const std::vector<testing::Presented> shown = targets_[channel]->distinct();
    return shown.empty() ? 0 : mul_.player(channel)->wall().Wall(shown.back().timestamp);
  }
  // The largest distance between the two pictures over the next `ms`, looked
  // at every 10 ms while the later recording covers the moment.
  int64_t Worst(uint32_t ms) {
    int64_t worst = 0;
    for (uint32_t t = 0; t < ms; t += 10) {
      Run(10);
      if (Shown(0) < mul_.player(1)->wall().wall_start) continue;
      worst = std::max(worst, std::abs(Shown(0) - Shown(1)));
    }
    return worst;
  }

  ManualClock clock_;
  std::vector<std::unique_ptr<MemoryTarget>> targets_ = testing::MemoryTargets(clock_, 2);
  CMulPlay mul_{clock_};
};

TEST_F(SyncTest, LaterCameraWaitsForItsMomentThenBothShowTheSameMoment) {
  Run(200);
  const size_t held = targets_[1]->distinct().size();
  Run(2600);
  EXPECT_EQ(targets_[1]->distinct().size(), held) << "the later camera holds its first picture";
  Run(400);
  EXPECT_LE(Worst(2000), kFrame) << "normal speed";

  mul_.Pause(true);
  Run(3000);
  const size_t before = targets_[1]->distinct().size();
  mul_.Pause(false);
  Run(100);
  EXPECT_LE(targets_[1]->distinct().size() - before, 4u) << "no burst after a pause";
  EXPECT_LE(Worst(1500), kFrame) << "after a pause";

  mul_.Seek(5000);
  EXPECT_EQ(Shown(0), mul_.player(0)->wall().wall_start + 5000);
  EXPECT_LE(std::abs(Shown(0) - Shown(1)), kFrame) << "at the moment sought";
  EXPECT_LE(Worst(1000), kFrame) << "after a seek";

  mul_.SetRate(-1, false);
  EXPECT_LE(Worst(2000), kFrame) << "half speed";
  mul_.SetRate(4, false);
  Run(500);
  EXPECT_LE(Worst(3000), kKeyFrames) << "key frames at four times speed";
  mul_.SetRate(-1, true);
  Run(500);
  EXPECT_LE(Worst(2000), kKeyFrames) << "twice speed backward";
  mul_.SetRate(0, false);
  Run(200);
  EXPECT_LE(Worst(2000), kFrame) << "normal speed again";
}

TEST_F(SyncTest, StallIsFollowedByFramesGivenUpNotByABurst) {
  Run(4000);
  std::atomic<bool> stall{true};
  std::atomic<uint32_t> stalled_at{0};
  targets_[0]->OnPresent([&](const testing::Presented&) {
    if (stall.exchange(false)) {
      clock_.Jump(1000);  // one second inside a present call
      stalled_at = clock_.Now();
    }
  });
  const uint32_t given_up = mul_.player(0)->given_up_frames();
  Run(50);  // the stall happens
  ASSERT_NE(stalled_at.load(), 0u);
  Run(100);
  size_t soon = 0;
  for (const testing::Presented& p : targets_[0]->distinct())
    if (p.tick >= stalled_at && p.tick < stalled_at + 50) ++soon;
  EXPECT_LE(soon, 2u);
  EXPECT_GE(mul_.player(0)->given_up_frames() - given_up, 20u);
  EXPECT_LE(Worst(1000), kFrame);
}

}  // namespace
}  // namespace brisca
