// The playback page's arithmetic: which recordings play together, the
// synchronising channel after an end, the split grids and the rate steps.
#include <gtest/gtest.h>

#include <QStringList>

#include <string>
#include <utility>

#include "corvane/playback/channel_assignment.h"
#include "corvane/playback/control_bar_layout.h"
#include "corvane/playback/play_rate.h"
#include "corvane/playback/split_layout.h"

namespace {

FileListEntry Entry(int channel, int startHour, int startMinute, int startSecond, int endHour,
                    int endMinute, int endSecond, int day = 8, const char* disk = "1") {
  FileListEntry e;
  e.year = 26;
  e.month = 3;
  e.day = static_cast<uint8_t>(day);
  e.channel = channel;
  e.startHour = static_cast<uint8_t>(startHour);
  e.startMinute = static_cast<uint8_t>(startMinute);
  e.startSecond = static_cast<uint8_t>(startSecond);
  e.endHour = static_cast<uint8_t>(endHour);
  e.endMinute = static_cast<uint8_t>(endMinute);
  e.endSecond = static_cast<uint8_t>(endSecond);
  e.name = QString("%1\\20260308\\%2\\%3%4%5").arg(disk).arg(channel).arg(startHour).arg(startMinute).arg(startSecond);
  e.shortName = e.name;
  return e;
}

std::vector<int> Slots(const ChannelAssignment& a) { return {a.entry.begin(), a.entry.end()}; }

TEST(PlaybackLogic, ChannelsOfOneMomentJoinTheOpenedEntry) {
  // Channel 2 recorded twice around an entry of channel 1 or 4.
  const std::vector<FileListEntry> around1{Entry(2, 9, 59, 20, 10, 4, 20), Entry(1, 10, 0, 0, 10, 5, 0),
                                           Entry(2, 10, 0, 30, 10, 5, 30)};
  EXPECT_EQ(AssignChannels(around1, 1).entry[1], 2);  // forward first for channel 1
  std::vector<FileListEntry> around4 = around1;
  around4[1].channel = 4;
  EXPECT_EQ(AssignChannels(around4, 1).entry[1], 0);  // backward first for channel 4

  // Four and five seconds long, another day, another disk, over a minute
  // early; one starting at the opened entry's end cannot be long enough.
  const std::vector<FileListEntry> candidates{
      Entry(1, 10, 0, 0, 10, 5, 0),       Entry(2, 10, 0, 1, 10, 0, 5),
      Entry(3, 10, 0, 1, 10, 0, 6),       Entry(4, 10, 0, 1, 10, 5, 0, 9),
      Entry(5, 10, 0, 1, 10, 5, 0, 8, "2"), Entry(6, 9, 58, 59, 10, 5, 0),
      Entry(7, 10, 4, 59, 10, 5, 4),      Entry(8, 10, 5, 0, 10, 5, 5)};
  EXPECT_EQ(Slots(AssignChannels(candidates, 0)), (std::vector<int>{0, -1, 2, -1, -1, -1, 6, -1}));

  // Eight cameras of one moment all join whichever is opened; the earliest
  // start is the origin, and a recording past midnight keeps its order.
  std::vector<FileListEntry> eight;
  for (int c = 1; c <= 8; ++c) eight.push_back(Entry(c, 23, 58, 10 - c, 24, 3, 0));
  for (int opened = 0; opened < 8; ++opened) {
    const ChannelAssignment a = AssignChannels(eight, opened);
    EXPECT_EQ(Slots(a), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7})) << opened;
    EXPECT_EQ(a.origin.startSecond, 2);
    EXPECT_EQ(a.name[7], eight[7].name);
    EXPECT_EQ(a.HighestSlot(), 8);
  }
  EXPECT_EQ(TotalTimeText(AssignChannels(eight, 0).origin), " / 04:58");
  EXPECT_EQ(AssignChannels(eight, 8).Count(), 0);
  eight[0].channel = 9;
  EXPECT_EQ(AssignChannels(eight, 0).Count(), 0);
}

TEST(PlaybackLogic, SyncChannelIsTheActiveSlotEndingLast) {
  std::vector<FileListEntry> list{Entry(1, 10, 0, 0, 10, 5, 0), Entry(2, 10, 0, 0, 10, 6, 0),
                                  Entry(3, 10, 0, 0, 10, 4, 0)};
  ChannelAssignment a = AssignChannels(list, 0);
  EXPECT_EQ(ChooseSyncChannel(list, a), 1);
  a.active[1] = false;
  EXPECT_EQ(ChooseSyncChannel(list, a), 0);
  // A recording whose name gives one time twice competes by its start.
  list[2].shortName = "201-03-100100-100100-02p000.h264";
  list[2].startMinute = 1;
  a.active[1] = true;
  EXPECT_EQ(ChooseSyncChannel(list, a), 2);
  // A slot whose entry left the list is passed over; none active is none.
  a.entry[2] = 7;
  EXPECT_EQ(ChooseSyncChannel(list, a), 1);
  a.active.fill(false);
  EXPECT_EQ(ChooseSyncChannel(list, a), -1);
}

TEST(PlaybackLogic, SplitGridsShowTheSelectedRunAndToggle) {
  const QRect page(0, 0, 800, 650);
  auto windows = [&](const SplitState& s) {
    std::vector<int> shown;
    for (const PlacedWindow& w : LayoutSplit(s, page).shown) shown.push_back(w.window);
    return shown;
  };
  SplitState s{4, 1, 6};
  EXPECT_EQ(windows(s), (std::vector<int>{4, 5, 6, 7}));
  EXPECT_EQ(LayoutSplit(s, page).shown[1].rect, QRect(401, 1, 398, 298));
  s.selected = 1;
  EXPECT_EQ(windows(s), (std::vector<int>{0, 1, 2, 3}));
  s.Toggle(2);
  EXPECT_EQ(windows(s), (std::vector<int>{2}));
  EXPECT_EQ(LayoutSplit(s, page).shown[0].rect, QRect(0, 0, 800, 600));
  EXPECT_FALSE(LayoutSplit(s, page).selectedFramed);
  s.Toggle(2);
  EXPECT_EQ(s.count, 4);
  EXPECT_TRUE(LayoutSplit(s, page).selectedFramed);
  // Nine cells hold the eight windows, the last cell empty; sixteen too.
  EXPECT_EQ(windows({9, 1, 7}), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(LayoutSplit({9, 1, 7}, page).shown[7].rect, QRect(267, 401, 264, 198));
  EXPECT_EQ(windows({16, 1, 0}).size(), 8u);
  EXPECT_EQ(LayoutSplit({16, 1, 0}, page).controlBar, QRect(0, 600, 800, 450));
}

// Records the library calls as text.
class CallLog : public RateSink {
 public:
  void SetPlayRate(int level, bool reverse) override { calls += "rate" + std::to_string(level) + (reverse ? "r " : " "); }
  void Pause(bool pause) override { calls += pause ? "pause " : "resume "; }
  void PlayOneByOne() override { calls += "step "; }
  std::string Take() { return std::exchange(calls, {}); }
  std::string calls;
};

TEST(PlaybackLogic, RateSteps) {
  CallLog log;
  PlayRate rate;
  rate.Started();
  QStringList texts;
  for (int i = 0; i < 9; ++i) {
    rate.Fast(log);
    texts << rate.text();
  }
  EXPECT_EQ(texts.join(' '), "2X 4X 8X 16X 32X 64X 128X 256X 256X");

  rate.Play(log);
  rate.Rewind(log);
  rate.Rewind(log);
  EXPECT_EQ(rate.text(), "-4X");
  log.Take();
  rate.Fast(log);
  EXPECT_EQ(rate.text(), "-2X");
  rate.Fast(log);
  EXPECT_EQ(rate.text(), "1X");
  EXPECT_EQ(log.Take(), "rate-1r pause rate0 resume ");
  for (int i = 0; i < 7; ++i) rate.Rewind(log);
  EXPECT_EQ(rate.text(), "-32X");

  rate.Slow(log);  // turns forward
  EXPECT_EQ(rate.text(), "1/2X");
  EXPECT_FALSE(rate.reverse());
  for (int i = 0; i < 9; ++i) rate.Slow(log);
  EXPECT_EQ(rate.text(), "1/256X");
  rate.Fast(log);
  EXPECT_EQ(rate.text(), "1/128X");

  // Play after a step keeps the position; after fast it jumps.
  rate.SetPositionReset(false);
  rate.Step(log, true);
  EXPECT_EQ(rate.state(), PlayState::kStepBack);
  rate.Play(log);
  EXPECT_FALSE(rate.positionReset());
  EXPECT_EQ(rate.text(), "1X");
  rate.Fast(log);
  rate.Play(log);
  EXPECT_TRUE(rate.positionReset());

  rate.Pause(log);
  EXPECT_EQ(rate.label(), RateLabel::kPause);
  rate.Fast(log);  // resumes first
  EXPECT_FALSE(rate.paused());
  rate.Stopped();
  EXPECT_EQ(rate.label(), RateLabel::kStop);
}

TEST(PlaybackLogic, ControlBarRowsFromBothEdges) {
  struct Case {
    int width;
    int stepForwardX;  // the last steering button
    int rateX;
    int split1X;       // the leftmost picture
    int watermarkX;
    int opacityX;
  };
  // Narrow bars keep 3-pixel gaps, bars of 1000 pixels and more 16; the
  // rate text stands further off on the narrowest.
  for (const Case c : {Case{600, 255, 290, 181, 349, 376}, Case{800, 255, 283, 381, 549, 576},
                       Case{1083, 372, 429, 560, 819, 846}}) {
    SCOPED_TRACE(c.width);
    const ControlBarLayout bar = LayoutControlBar(0, 0, c.width);
    EXPECT_EQ(bar.buttons[0], QRect(3, 22, 25, 25));
    EXPECT_EQ(bar.buttons[static_cast<size_t>(BarButton::kStepForward)].x(), c.stepForwardX);
    EXPECT_EQ(bar.rateText, QRect(c.rateX, 24, 40, 21));
    EXPECT_EQ(bar.pictures[static_cast<size_t>(BarPicture::kSplit1)].x(), c.split1X);
    EXPECT_EQ(bar.watermark.x(), c.watermarkX);
    EXPECT_EQ(bar.opacity, QRect(c.opacityX, 24, 100, 20));
    EXPECT_EQ(bar.volume, QRect(c.width - 105, 24, 100, 20));
    EXPECT_EQ(bar.sound, QRect(c.width - 122, 26, 12, 12));
    // The progress slider and the time text share the top row.
    EXPECT_EQ(bar.progress.left(), -6);
    EXPECT_LT(bar.progress.right(), bar.timeText.left());
    EXPECT_EQ(bar.timeText.right(), c.width - 3);
  }
}

}  // namespace
