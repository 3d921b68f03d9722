// The pacing rules on their own, with the tick counter given explicitly.
#include "brisca/engine/play_pacer.h"

#include <gtest/gtest.h>

namespace brisca {
namespace {

TEST(FrameIntervalTest, FromTimestampsWithDefaultsAndWrongOrder) {
  EXPECT_EQ(FrameInterval(1040, 0, false, 0, false), 40u);  // nothing shown yet
  EXPECT_EQ(FrameInterval(1040, 1000, false, 0, false), 40u);
  EXPECT_EQ(FrameInterval(1100, 1000, false, 0, false), 100u);
  EXPECT_EQ(FrameInterval(900, 1000, false, 0, false), 40u);  // backward step forward
  EXPECT_EQ(FrameInterval(900, 1000, true, 0, false), 100u);
  EXPECT_EQ(FrameInterval(1100, 1000, true, 0, false), 40u);
}

TEST(FrameIntervalTest, RateTable) {
  struct Case {
    int32_t rate;
    bool reverse;
    bool camera;
    uint32_t expected;
  };
  const Case cases[] = {
      {1, false, true, 32},   {4, false, true, 8},     {5, false, true, 5},
      {8, false, true, 0},    {1, false, false, 31},   {2, false, false, 22},
      {3, false, false, 13},  {4, false, false, 10},   {6, false, false, 2},
      {-1, false, false, 80}, {-2, false, false, 160}, {-8, false, true, 640},
      {-1, true, false, 20},  {-2, true, false, 10},   {-5, true, false, 4},
      {0, true, false, 40},   {3, true, false, 40},    {0, false, true, 40},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FrameInterval(c.reverse ? 960 : 1040, 1000, c.reverse, c.rate, c.camera), c.expected)
        << "rate " << c.rate << (c.reverse ? " backward" : " forward")
        << (c.camera ? " camera" : " other");
  }
}

TEST(FrameIntervalTest, ExtremesWrapOrVanishWithoutUndefinedShifts) {
  // 20 ms at rate 4 on a camera wraps below zero: too long to wait for.
  EXPECT_GT(FrameInterval(1020, 1000, false, 4, true), kLongestWait);
  EXPECT_EQ(FrameInterval(1040, 1000, false, 40, false), 0u);
  EXPECT_EQ(FrameInterval(1040, 1000, false, INT32_MAX, true), 0u);
  EXPECT_EQ(FrameInterval(960, 1000, true, INT32_MIN, false), 0u);
}

TEST(WaitStepTest, ShowsWhenTheIntervalHasPassedAndCarriesTheOvershoot) {
  Pacing pacing;
  pacing.Reset(100);
  WaitDecision d = WaitStep(pacing, 40, 110);
  EXPECT_FALSE(d.show);
  EXPECT_EQ(d.sleep_ms, 10u);  // a quarter interval
  d = WaitStep(pacing, 40, 135);
  EXPECT_FALSE(d.show);
  EXPECT_EQ(d.sleep_ms, 5u);  // never past the due time
  d = WaitStep(pacing, 40, 143);
  EXPECT_TRUE(d.show);
  EXPECT_EQ(pacing.base, 143u);
  EXPECT_EQ(pacing.lag, 3u);
}

TEST(WaitStepTest, LagMakesTheNextWaitShorter) {
  Pacing pacing{100, 3};  // the last frame went out 3 ms late
  WaitDecision d = WaitStep(pacing, 40, 130);
  EXPECT_FALSE(d.show);
  EXPECT_EQ(d.sleep_ms, 7u);
  d = WaitStep(pacing, 40, 137);
  EXPECT_TRUE(d.show);  // on the original schedule again
  EXPECT_EQ(pacing.lag, 0u);
  EXPECT_EQ(pacing.base, 137u);
}

TEST(WaitStepTest, LagOfAWholeIntervalShowsAtOnce) {
  Pacing pacing{200, 50};
  const WaitDecision d = WaitStep(pacing, 40, 210);
  EXPECT_TRUE(d.show);
  EXPECT_EQ(pacing.lag, 50u + 10u - 40u);
  EXPECT_EQ(pacing.base, 210u);
}

TEST(WaitStepTest, LongIntervalsShowAtOnceAndResetTheLag) {
  // Frames 6 s apart are shown back to back.
  Pacing pacing{200, 30};
  EXPECT_TRUE(WaitStep(pacing, 6000, 201).show);
  EXPECT_EQ(pacing.lag, 0u);
  EXPECT_EQ(pacing.base, 201u);
  EXPECT_TRUE(WaitStep(pacing, 5001, 202).show);
  EXPECT_FALSE(WaitStep(pacing, 5000, 203).show);
}

TEST(WaitStepTest, TickCounterWrapRestartsTheBase) {
  Pacing pacing{0xFFFFFFF0u, 0};
  const WaitDecision d = WaitStep(pacing, 40, 5);
  EXPECT_FALSE(d.show);
  EXPECT_EQ(pacing.base, 5u);
  EXPECT_TRUE(WaitStep(pacing, 40, 45).show);
}

// Runs a follower whose frames are 40 ms apart against a master that stays
// at `behind` ms after the follower's first frame; returns the ticks at
// which the follower shows its first `frames` frames.
std::vector<uint32_t> FollowerShowTicks(uint32_t behind, int frames) {
  std::vector<uint32_t> shown;
  Pacing pacing;
  uint32_t now = 1000;
  pacing.Reset(now);
  const uint64_t first = 100000;
  const uint64_t master = first + behind;
  uint64_t next = first;
  uint64_t last = first - 40;
  while (static_cast<int>(shown.size()) < frames) {
    CorrectForward(pacing, next, master);
    const WaitDecision d = WaitStep(pacing, FrameInterval(next, last, false, 0, false), now);
    if (d.show) {
      shown.push_back(now);
      last = next;
      next += 40;
    } else {
      now += d.sleep_ms;
    }
  }
  return shown;
}

TEST(FollowerTest, FarBehindShowsWithoutWaitingUntilCaughtUp) {
  const std::vector<uint32_t> ticks = FollowerShowTicks(300, 12);
  // Every frame up to the master's (and within the tolerance past it) goes
  // out at once; the first one clearly ahead waits a whole interval.
  for (int i = 0; i <= 8; ++i) EXPECT_EQ(ticks[i], 1000u) << i;
  EXPECT_EQ(ticks[9], 1040u);
  EXPECT_EQ(ticks[11] - ticks[10], 40u);
}

TEST(FollowerTest, SlightlyBehindWaitsNormally) {
  const std::vector<uint32_t> ticks = FollowerShowTicks(10, 3);
  EXPECT_EQ(ticks[0], 1040u);
  EXPECT_EQ(ticks[1] - ticks[0], 40u);
  EXPECT_EQ(ticks[2] - ticks[1], 40u);
}

// At normal speed a follower keeps to the master's clock: the master showed
// frame `master` at tick 1000 and runs on.
TEST(AlignToMasterTest, FarBehindCatchesUpWithoutWaiting) {
  Pacing pacing{1000, 0};
  const uint64_t master = 50000;
  uint64_t next = master - 300;
  uint32_t now = 1000;
  int immediate = 0;
  for (int frame = 0; frame < 12; ++frame) {
    for (;;) {
      AlignToMaster(pacing, 40, next, master, 1000, now);
      const WaitDecision d = WaitStep(pacing, 40, now);
      if (d.show) break;
      now += d.sleep_ms;
    }
    if (now == 1000) ++immediate;
    next += 40;
  }
  // Frames up to the master's go out at once; then each is due on the
  // master's clock: frame master + t at tick 1000 + t (the twelfth is
  // master + 140).
  EXPECT_EQ(immediate, 8);
  EXPECT_EQ(now, 1140u);
}

TEST(AlignToMasterTest, SlightlyLateFollowerComesOntoTheMastersClock) {
  // The follower would show the master's next frame 6 ms after the master.
  Pacing pacing{1006, 0};
  AlignToMaster(pacing, 40, 50040, 50000, 1000, 1010);
  EXPECT_EQ(pacing.lag, 6u);
  const WaitDecision d = WaitStep(pacing, 40, 1040);
  EXPECT_TRUE(d.show);  // at 1040, with the master
  // In step: nothing changes.
  Pacing in_step{1040, 0};
  AlignToMaster(in_step, 40, 50080, 50040, 1040, 1050);
  EXPECT_EQ(in_step.lag, 0u);
  EXPECT_EQ(in_step.base, 1040u);
}

TEST(AlignToMasterTest, FarAheadLosesItsLagWithinTheToleranceKeepsIt) {
  Pacing pacing{1000, 12};
  AlignToMaster(pacing, 40, 50100, 50000, 1000, 1001);  // due 60 ms before the master's clock
  EXPECT_EQ(pacing.lag, 0u);
  pacing = Pacing{1000, 12};
  AlignToMaster(pacing, 40, 50040, 50000, 1000, 1001);  // due 12 ms early: tolerated
  EXPECT_EQ(pacing.lag, 12u);
}

TEST(FollowerTest, AheadOfTheMasterLosesItsLag) {
  Pacing pacing{100, 35};
  CorrectForward(pacing, 2000, 1970);
  EXPECT_EQ(pacing.lag, 0u);
  pacing.lag = 35;
  CorrectForward(pacing, 2000, 1980);  // within the tolerance
  EXPECT_EQ(pacing.lag, 35u);
}

TEST(FollowerTest, BackwardCorrection) {
  Pacing pacing{100, 0};
  CorrectBackward(pacing, 5300, 5000, 150);  // later than the master: behind
  EXPECT_EQ(pacing.base, 150u);
  EXPECT_EQ(pacing.lag, 300u);
  pacing = Pacing{100, 7};
  CorrectBackward(pacing, 4000, 5000, 160);  // ahead by more than 625 ms
  EXPECT_EQ(pacing.base, 160u);
  EXPECT_EQ(pacing.lag, 7u);
  pacing = Pacing{100, 7};
  CorrectBackward(pacing, 4500, 5000, 170);
  EXPECT_EQ(pacing.base, 100u);
}

TEST(FollowerTest, SingleStepMovesTowardTheMaster) {
  EXPECT_EQ(FollowerStepFrames(false, 10250, 10000), 0);  // 250 ms ahead
  EXPECT_EQ(FollowerStepFrames(false, 9750, 10000), 2);   // 250 ms behind
  EXPECT_EQ(FollowerStepFrames(false, 10100, 10000), 1);
  EXPECT_EQ(FollowerStepFrames(false, 9900, 10000), 1);
  EXPECT_EQ(FollowerStepFrames(true, 9750, 10000), 0);
  EXPECT_EQ(FollowerStepFrames(true, 10250, 10000), 2);
  EXPECT_EQ(FollowerStepFrames(true, 10000, 10000), 1);
}

TEST(DeviceTypeTest, CameraKindAndBackwardRefusal) {
  const char camera[11] = {'C', 'A', 'M', '_', '5', '1', '0', '_', '2', '7', 'X'};
  const char none[11] = {};
  const char other[11] = {'X', 'A', 'Y'};
  EXPECT_TRUE(IsCameraKind(camera));
  EXPECT_FALSE(IsCameraKind(none));
  EXPECT_TRUE(RefusesBackwardPlay(camera));
  EXPECT_TRUE(RefusesBackwardPlay(other));
  EXPECT_FALSE(RefusesBackwardPlay(none));
}

}  // namespace
}  // namespace brisca
