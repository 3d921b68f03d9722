#include "brisca/disk/disk_reader.h"

#include <gtest/gtest.h>

#include "tests/disk/recording_builder.h"

namespace brisca {
namespace {

using namespace brisca::testing;

struct Read {
  FrameKind kind;
  uint64_t timestamp;
};

std::vector<Read> ReadToEnd(CFileNvr& reader) {
  std::vector<Read> out;
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  while (reader.ReadFrame(&frame, &info) == 0) {
    out.push_back({frame->kind, frame->timestamp});
    reader.ReleaseFrame(frame);
    if (info) reader.ReleaseFrame(info);
    info = nullptr;
  }
  return out;
}

TEST(FileNvrTest, OpensHostFileAndFillsRecords) {
  RecordingBuilder recording;
  recording.Noise(30).Video(50, 10, 200, 3000);  // 2 s of video
  CFileNvr reader(SourceKind::kHostFile);
  ASSERT_EQ(reader.Open(recording.Write().c_str()), 0);
  const RecFileParam param = reader.file_param();
  EXPECT_EQ(param.start_time.year, 2026);
  EXPECT_EQ(param.start_time.hour, 14);
  EXPECT_EQ(param.start_time.minute, 5);
  EXPECT_EQ(param.start_time.second, 9);
  EXPECT_EQ(param.end_time.second, 10);  // 1,960 ms later, whole seconds
  // 64-bit fields of the packed record are copied, not bound by reference.
  EXPECT_EQ(uint64_t{param.start}, 100000u);
  EXPECT_EQ(uint64_t{param.end}, 101960u);
  EXPECT_EQ(param.duration_ms, 1960);
  EXPECT_EQ(param.channel, 3);  // the stream byte

  RecFileInfo info{};
  ASSERT_EQ(reader.CopyFileInfo(&info), 0);
  EXPECT_EQ(info.width, 704);
  EXPECT_EQ(info.height, 576);
  EXPECT_FLOAT_EQ(info.frame_rate, 25.0f);
  EXPECT_EQ(info.audio_codec, 2);
  EXPECT_EQ(info.audio_sample_rate, 8000);
  EXPECT_EQ(info.audio_samples_per_frame, 320);
  EXPECT_EQ(reader.current_timestamp(), 100000u);
}

TEST(FileNvrTest, ReadsEveryFrameAndRewinds) {
  RecordingBuilder recording;
  recording.Video(30, 10, 500, 4000).Audio(101200).Noise(7).Video(5, 10, 100, 100);
  CFileNvr reader(SourceKind::kHostFile);
  ASSERT_EQ(reader.Open(recording.Write().c_str()), 0);
  const auto first_pass = ReadToEnd(reader);
  ASSERT_EQ(first_pass.size(), recording.frames().size());
  for (size_t i = 0; i < first_pass.size(); ++i)
    EXPECT_EQ(first_pass[i].timestamp, recording.frames()[i].timestamp) << i;
  EXPECT_EQ(reader.Rewind(), 0);
  EXPECT_EQ(ReadToEnd(reader).size(), first_pass.size());
}

TEST(FileNvrTest, RecordingWithoutKeyFrameOrFileDoesNotOpen) {
  RecordingBuilder recording;
  recording.Audio(1).Audio(41).Noise(100);
  CFileNvr reader(SourceKind::kHostFile);
  EXPECT_EQ(reader.Open(recording.Write().c_str()), 1);
  EXPECT_EQ(reader.Open("/nonexistent/recording.strm"), 1);
  EXPECT_EQ(reader.Rewind(), 1);
  RecFrame* frame = nullptr;
  EXPECT_EQ(reader.ReadFrame(&frame, nullptr), 1);
  RecFileInfo info;
  EXPECT_EQ(reader.CopyFileInfo(&info), 1);
}

TEST(FileNvrTest, FirstKeyFrameWithoutClockOpensWithZeroDate) {
  RecordingBuilder recording;
  recording.Video(20, 10, 100, 1000, false);
  CFileNvr reader(SourceKind::kHostFile);
  ASSERT_EQ(reader.Open(recording.Write().c_str()), 0);
  const RecFileParam param = reader.file_param();
  EXPECT_EQ(param.start_time.year, 0);
  EXPECT_EQ(param.start_time.hour, 0);
  EXPECT_EQ(param.duration_ms, 760);
}

TEST(FileNvrTest, SeekLandsOnKeyFrameAndRefusesOutOfRange) {
  RecordingBuilder recording;
  recording.Video(100, 10, 300, 2000);  // key frames every 400 ms
  CFileNvr reader(SourceKind::kHostFile);
  ASSERT_EQ(reader.Open(recording.Write().c_str()), 0);
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;

  ASSERT_EQ(reader.Seek(1000, 0), 0);
  ASSERT_EQ(reader.ReadFrame(&frame, &info), 0);
  EXPECT_EQ(frame->kind, FRAME_VIDEO_KEY);
  EXPECT_EQ(frame->timestamp, 100800u);
  reader.ReleaseFrame(frame);

  ASSERT_EQ(reader.Seek(0, 0), 0);
  ASSERT_EQ(reader.ReadFrame(&frame, &info), 0);
  EXPECT_EQ(frame->timestamp, 100000u);
  reader.ReleaseFrame(frame);

  EXPECT_NE(reader.Seek(3961, 0), 0);  // past the last timestamp
  EXPECT_NE(reader.Seek(-1, 0), 0);
  ASSERT_EQ(reader.ReadFrame(&frame, &info), 0);  // position unchanged
  EXPECT_EQ(frame->timestamp, 100040u);
  reader.ReleaseFrame(frame);
}

TEST(FileNvrTest, NextKeyFrameRunsToTheEnd) {
  RecordingBuilder recording;
  recording.Video(60, 10, 300, 2000);
  CFileNvr reader(SourceKind::kHostFile);
  ASSERT_EQ(reader.Open(recording.Write().c_str()), 0);
  std::vector<uint64_t> keys;
  RecFrame* frame = nullptr;
  while (reader.NextKeyFrame(&frame) == 0) {
    EXPECT_EQ(frame->kind, FRAME_VIDEO_KEY);
    keys.push_back(frame->timestamp);
    reader.ReleaseFrame(frame);
  }
  std::vector<uint64_t> expected;
  for (const BuiltFrame& key : recording.KeyFrames()) expected.push_back(key.timestamp);
  EXPECT_EQ(keys, expected);
}

TEST(FileNvrTest, PrevKeyFrameWalksBackOneKeyFramePerCall) {
  RecordingBuilder recording;
  // 300 KB key frames: several per 1 MiB window, and frames cut by windows.
  recording.Video(200, 10, 20000, 300000);
  CFileNvr reader(SourceKind::kHostFile);
  ASSERT_EQ(reader.Open(recording.Write().c_str()), 0);
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  for (int i = 0; i < 195; ++i) {  // play into the recording
    ASSERT_EQ(reader.ReadFrame(&frame, &info), 0);
    reader.ReleaseFrame(frame);
  }
  const uint64_t playing = frame->timestamp;
  std::vector<uint64_t> walked;
  while (reader.PrevKeyFrame(&frame) == 0) {
    walked.push_back(frame->timestamp);
    reader.ReleaseFrame(frame);
  }
  std::vector<uint64_t> expected;
  for (const BuiltFrame& key : recording.KeyFrames())
    if (key.timestamp < playing) expected.insert(expected.begin(), key.timestamp);
  EXPECT_EQ(walked, expected);

  // Turning round continues after the key frame last shown.
  ASSERT_EQ(reader.NextKeyFrame(&frame), 0);
  EXPECT_EQ(frame->timestamp, expected.size() > 1 ? expected[expected.size() - 2] : 0);
  reader.ReleaseFrame(frame);
}

TEST(FileNvrTest, PrevKeyFrameCrossesKeyFrameIntervalsLongerThanAWindow) {
  RecordingBuilder recording;
  recording.Video(150, 75, 40000, 5000);  // 3 MB between key frames
  CFileNvr reader(SourceKind::kHostFile);
  ASSERT_EQ(reader.Open(recording.Write().c_str()), 0);
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  for (int i = 0; i < 150; ++i) {
    ASSERT_EQ(reader.ReadFrame(&frame, &info), 0);
    reader.ReleaseFrame(frame);
  }
  ASSERT_EQ(reader.PrevKeyFrame(&frame), 0);
  EXPECT_EQ(frame->timestamp, recording.KeyFrames()[1].timestamp);
  reader.ReleaseFrame(frame);
  ASSERT_EQ(reader.PrevKeyFrame(&frame), 0);
  EXPECT_EQ(frame->timestamp, recording.KeyFrames()[0].timestamp);
  reader.ReleaseFrame(frame);
  EXPECT_EQ(reader.PrevKeyFrame(&frame), 1);
}

TEST(FileNvrTest, HeldFramesMakeReadsFailNotGrow) {
  RecordingBuilder recording;
  recording.Video(20, 10, 100, 1000);
  CFileNvr reader(SourceKind::kHostFile);
  ASSERT_EQ(reader.Open(recording.Write().c_str()), 0);
  std::vector<RecFrame*> held;
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(reader.ReadFrame(&frame, &info), 0);
    held.push_back(frame);
  }
  EXPECT_EQ(reader.ReadFrame(&frame, &info), 1);
  reader.ReleaseFrame(held.back());
  ASSERT_EQ(reader.ReadFrame(&frame, &info), 0);
  EXPECT_EQ(frame->timestamp, 100200u);  // the refused frame was not lost
}

TEST(FileNvrTest, QueryRangeGivesKeyFrameStartAndFramePositions) {
  RecordingBuilder recording;
  recording.Video(50, 10, 300, 2000);
  CFileNvr reader(SourceKind::kHostFile);
  ASSERT_EQ(reader.Open(recording.Write().c_str()), 0);
  uint64_t start = 0;
  uint64_t end = 0;
  ASSERT_TRUE(reader.QueryRange(500, 1500, &start, &end));
  EXPECT_EQ(start, recording.KeyFrames()[1].offset);
  EXPECT_EQ(end, recording.KeyFrames()[3].offset);
  EXPECT_FALSE(reader.QueryRange(0, 99999, &start, &end));
}

}  // namespace
}  // namespace brisca
