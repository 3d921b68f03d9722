// The arithmetic behind `brisca play --script` and its sync figures.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/brisca/play_script.h"
#include "tools/brisca/sync_distance.h"

namespace brisca::tools {
namespace {

TEST(PlayScriptTest, ParsesEveryStepAndNamesTheFaultyOne) {
  std::string error;
  const auto steps =
      ParseScript(" wait 1500;pause 0 ; seek 2147483647; rate -32; reverse 1;step 3", error);
  ASSERT_TRUE(steps) << error;
  const std::vector<std::pair<StepKind, int64_t>> expected = {
      {StepKind::kWait, 1500}, {StepKind::kPause, 0},   {StepKind::kSeek, 2147483647},
      {StepKind::kRate, -32},  {StepKind::kReverse, 1}, {StepKind::kStep, 3}};
  ASSERT_EQ(steps->size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ((*steps)[i].kind, expected[i].first) << i;
    EXPECT_EQ((*steps)[i].value, expected[i].second) << i;
  }

  const struct {
    const char* script;
    const char* error;
  } bad[] = {
      {"  ", "no steps"},
      {"wait 10;", "step 2 is empty"},
      {"wait 1;; wait 2", "step 2 is empty"},
      {"jump 5", "step 1: unknown step \"jump\""},
      {"Wait 5", "unknown step"},
      {"wait", "wait takes milliseconds"},
      {"wait 1.5", "wait takes"},
      {"wait +5", "wait takes"},
      {"wait 1 2", "wait takes"},
      {"wait 10x", "wait takes"},
      {"seek -1", "seek takes"},
      {"seek 2147483648", "seek takes"},
      {"rate 33", "rate takes"},
      {"reverse -33", "reverse takes"},
      {"step 0", "step takes"},
      {"wait 99999999999999999999", "wait takes"},
  };
  for (const auto& c : bad) {
    error.clear();
    EXPECT_FALSE(ParseScript(c.script, error)) << c.script;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.script << ": " << error;
  }
}

TEST(SyncDistanceTest, CalendarTimes) {
  EXPECT_EQ(CalendarMs(1970, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(CalendarMs(2026, 3, 8, 14, 5, 9), 1772978709000);
  EXPECT_EQ(CalendarMs(2024, 2, 29, 23, 59, 59), 1709251199000);
  EXPECT_EQ(CalendarMs(0, 1, 1, 0, 0, 0), std::nullopt);  // no clock
  EXPECT_EQ(CalendarMs(2025, 2, 29, 0, 0, 0), std::nullopt);
  EXPECT_EQ(CalendarMs(2025, 13, 1, 0, 0, 0), std::nullopt);
  EXPECT_EQ(CalendarMs(2025, 1, 1, 24, 0, 0), std::nullopt);
  EXPECT_EQ(CalendarMs(65535, 65535, 65535, 65535, 65535, 65535), std::nullopt);
  EXPECT_EQ(WallClock::Of(std::nullopt, 500).Wall(540), 540);
  EXPECT_EQ(WallClock::Of(4000, 500).Wall(540), 4040);
}

TEST(SyncDistanceTest, NearerOfTheLeadersPicturesAroundEachArrival) {
  // The synchronising channel's wall clock is 1000 + timestamp; it shows
  // its first frame, jumps to 3000, plays a frame, is sought to 6000 and
  // then past the follower's end. The follower starts 3 s later on a
  // counter of its own and covers wall 4000 to 8000.
  ChannelTrack sync{{{0, 100}, {3000, 200}, {3040, 240}, {6000, 300}, {8000, 500}},
                    {0, 3000, 3040, 6000, 8000},
                    WallClock::Of(1000, 0)};
  ChannelTrack follower{{}, {}, WallClock::Of(4000, 500)};
  for (uint64_t t = 500; t <= 4500; t += 40) follower.frames.push_back(t);
  const struct {
    uint64_t timestamp;
    double tick;
    std::optional<double> distance;
  } cases[] = {
      {500, 50, std::nullopt},    // the leader has shown nothing yet
      {500, 150, 0},              // the leader's next picture is the first one covered
      {540, 220, 0},              // the later picture matches
      {600, 250, 60},             // the earlier one is nearer
      {3500, 290, 0},             // shown the sought moment before the leader
      {3540, 400, 40},            // the leader's next moment is past the follower's end
      {4500, 600, std::nullopt},  // the leader plays where the follower has nothing
  };
  for (const auto& c : cases) follower.shown.push_back({c.timestamp, c.tick});
  const std::vector<SyncSample> samples = SyncDistances(follower, sync);
  size_t next = 0;
  for (const auto& c : cases) {
    if (!c.distance) continue;
    ASSERT_LT(next, samples.size()) << c.tick;
    EXPECT_EQ(samples[next].tick_ms, c.tick);
    EXPECT_EQ(samples[next].distance_ms, *c.distance) << c.tick;
    ++next;
  }
  EXPECT_EQ(next, samples.size());
  EXPECT_TRUE(SyncDistances({follower.shown, {}, follower.clock}, sync).empty());

  EXPECT_EQ(LargestDistance(samples, 150, 250), 0);  // end excluded
  EXPECT_EQ(LargestDistance(samples, 220, 401), 60);
  EXPECT_EQ(LargestDistance(samples, 401, 1000), std::nullopt);
}

TEST(SyncDistanceTest, FramesGivenUpBetweenPicturesOfAForwardPhase) {
  std::vector<uint64_t> frames;
  for (uint64_t t = 0; t <= 400; t += 40) frames.push_back(t);
  const std::vector<PlayPhase> phases = {{100, true}, {300, false}, {400, true}};
  const struct {
    ShownPicture earlier;
    ShownPicture later;
    size_t given_up;
  } cases[] = {
      {{0, 50}, {80, 120}, 0},      // before the first phase
      {{80, 120}, {200, 160}, 2},   // 120 and 160
      {{200, 160}, {160, 200}, 0},  // back in time
      {{160, 200}, {320, 299}, 3},
      {{320, 290}, {360, 310}, 0},  // into a phase not played forward at 1X
      {{360, 310}, {400, 350}, 0},  // within it
      {{200, 350}, {360, 400}, 0},  // out of it again
      {{240, 410}, {360, 420}, 2},
      {{360, 410}, {390, 420}, 0},  // no frame in between
  };
  for (const auto& c : cases)
    EXPECT_EQ(GivenUp({c.earlier, c.later}, frames, phases), c.given_up) << c.later.tick_ms;
}

}  // namespace
}  // namespace brisca::tools
