#include "tools/disk/stream_survey.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/platform/disk_test_support.h"
#include "tests/stream/stream_bytes.h"

namespace tvfs::testing {
namespace {

using brisca::tools::disk::StreamSurvey;
using brisca::tools::disk::SurveyStream;

StreamSurvey Survey(const Bytes& bytes, bool expect_ok = true) {
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  StreamSurvey survey;
  std::string error;
  EXPECT_EQ(SurveyStream(in, survey, error), expect_ok) << error;
  return survey;
}

TEST(StreamSurveyTest, TakesTimesAndKeyFrames) {
  const MadeStream made = MakeStream(At(2026, 3, 7, 14, 5, 9), 5);
  const StreamSurvey survey = Survey(made.bytes);
  EXPECT_EQ(survey.date, (DiskDate{26, 3, 7}));
  EXPECT_EQ(survey.start.Seconds(), (14u * 60 + 5) * 60 + 9);
  EXPECT_EQ(survey.end.Seconds(), (14u * 60 + 5) * 60 + 13);
  EXPECT_EQ(survey.size, made.bytes.size());
  EXPECT_EQ(survey.frames, 15u);
  EXPECT_EQ(survey.key_frames, 5u);
  ASSERT_EQ(survey.time_index.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(survey.time_index[i].offset, made.key_offsets[i]);
    EXPECT_EQ(survey.time_index[i].second, survey.start.Seconds() + i);
  }
}

TEST(StreamSurveyTest, CountsSecondsPastMidnightFromTheFirstDate) {
  const MadeStream made = MakeStream(At(2026, 12, 31, 23, 59, 59), 3);
  const StreamSurvey survey = Survey(made.bytes);
  EXPECT_EQ(survey.date, (DiskDate{26, 12, 31}));
  EXPECT_EQ(survey.end.Seconds(), 1u);
  ASSERT_EQ(survey.time_index.size(), 3u);
  EXPECT_EQ(survey.time_index[2].second, 86401u);
}

TEST(StreamSurveyTest, SkipsNoiseAndKeepsOffsetsOfTheWholeStream) {
  const MadeStream made = MakeStream(At(2026, 3, 7, 8, 0, 0), 3);
  const Bytes noisy = brisca::testing::Concat({Bytes(37, 0x11), made.bytes, Bytes(5, 0x22)});
  const StreamSurvey survey = Survey(noisy);
  EXPECT_EQ(survey.size, noisy.size());
  ASSERT_EQ(survey.time_index.size(), 3u);
  EXPECT_EQ(survey.time_index[0].offset, 37u);
  EXPECT_EQ(survey.time_index[2].offset, 37u + made.key_offsets[2]);
}

TEST(StreamSurveyTest, StreamWithoutClockIsRefused) {
  namespace sb = brisca::testing;
  const Bytes frame = sb::Frame('2', sb::TimestampItem(5), sb::Payload(40, 1));
  Survey(frame, false);
  Survey({}, false);
}

}  // namespace
}  // namespace tvfs::testing
