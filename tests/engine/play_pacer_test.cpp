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

// The master's moment as followers project it: at its speed from the
// picture it showed, never past its next frame, frozen while held.
TEST(SyncReferenceTest, MomentAdvancesAtTheMastersSpeedUpToItsNextFrame) {
  const struct {
    bool reverse;
    int32_t rate;
    uint32_t step;      // ms of recording between the master's pictures
    uint32_t elapsed;   // ms since it showed the picture at wall 100000
    int64_t moment;
  } cases[] = {
      {false, 0, 40, 0, 100000},     {false, 0, 40, 25, 100025},
      {false, 0, 40, 90, 100040},    // a late master holds its followers back
      {false, -1, 40, 40, 100020},   // half speed
      {false, 2, 40, 11, 100020},    // 40 ms shown every 22 ms
      {false, 4, 2000, 250, 101000}, // key frames at four times speed
      {true, 0, 2000, 500, 99500},   {true, -1, 2000, 500, 99000},
      {false, 0, 0, 30, 100030},     // no step known yet: one frame interval
  };
  for (const auto& c : cases) {
    const SyncReference reference = MakeReference(100000, 5000, c.step, c.reverse, c.rate, false);
    EXPECT_EQ(reference.MomentAt(5000 + c.elapsed), c.moment)
        << c.reverse << " " << c.rate << " " << c.step << " " << c.elapsed;
  }
  SyncReference held = MakeReference(100000, 5000, 40, false, 0, false);
  held.held = true;
  EXPECT_EQ(held.MomentAt(9000), 100000);
  // A reference published just after `now` was read counts as no time.
  EXPECT_EQ(MakeReference(100000, 5000, 40, false, 0, false).MomentAt(4990), 100000);
}

TEST(SyncReferenceTest, FollowerDueAndWait) {
  EXPECT_TRUE(IsDue(100000, 100000, 1));
  EXPECT_TRUE(IsDue(99960, 100000, 1));
  EXPECT_FALSE(IsDue(100040, 100000, 1));
  EXPECT_TRUE(IsDue(100040, 100000, -1));
  EXPECT_FALSE(IsDue(99960, 100000, -1));
  const SyncReference normal = MakeReference(100000, 0, 40, false, 0, false);
  EXPECT_EQ(FollowerWait(100010, 100000, normal), 10u);
  EXPECT_EQ(FollowerWait(103000, 100000, normal), kFollowerPoll);  // waiting for its moment
  EXPECT_EQ(FollowerWait(100010, 100000, MakeReference(100000, 0, 40, false, -1, false)), 20u);
  EXPECT_EQ(FollowerWait(100000, 100000, normal), 1u);
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
