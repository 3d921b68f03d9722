#include "brisca/disk/disk_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "brisca/testing/faulty_file.h"
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

// A stream file with the given bytes, removed when it goes.
class StreamFileOf {
 public:
  explicit StreamFileOf(const Bytes& bytes)
      : path_((std::filesystem::temp_directory_path() /
               ("brisca-damaged-" + std::to_string(getpid()) + ".strm")).string()) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~StreamFileOf() { std::remove(path_.c_str()); }
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

TEST(FileNvrTest, DamagedStreamsKeepTheirTimesFramesAndSteps) {
  RecordingBuilder recording;
  recording.Video(50, 10, 200, 3000);  // timestamps 100,000 to 101,960, from 14:05:09
  const std::vector<BuiltFrame>& built = recording.frames();
  // The timestamp item comes first in every frame: its value at +16 (low
  // word) and +20 (high word). The clock item follows the timestamp,
  // picture and audio items; its hour is the item's byte 7.
  const uint64_t first = built.front().offset + 16;
  const uint64_t last = built.back().offset + 16;
  const uint64_t first_hour = built.front().offset + 12 + 28 + 7;
  struct Case {
    const char* name;
    uint64_t at;  // byte whose bit flips
    uint8_t bit;
    bool false_header;     // a key frame header claiming 20,000 bytes in front
    size_t longer;         // frame whose length grows by 7,936 bytes; SIZE_MAX: none
    uint64_t start, end;
    uint64_t first_key;    // timestamp of the first key step; 0: not checked
  };
  const Case cases[] = {
      {"first a day later", first + 3, 0x08, false, SIZE_MAX, 100040, 101960, 0},    // bit 27
      {"first years earlier", first + 6, 0x01, false, SIZE_MAX, 100040, 101960, 0},  // bit 48
      {"first 17 minutes off", first + 2, 0x10, false, SIZE_MAX, 100040, 101960, 0},  // bit 20
      {"last far ahead", last + 4, 0x02, false, SIZE_MAX, 100000, 101920, 100000},   // bit 33
      {"first clock 8 hours off", first_hour, 0x08, false, SIZE_MAX, 100000, 101960, 100000},
      {"false header in front", 0, 0, true, SIZE_MAX, 100000, 101960, 100000},
      {"length too large", 0, 0, false, 3, 100000, 101960, 100000},
      {"untouched", 0, 0, false, SIZE_MAX, 100000, 101960, 100000},
  };
  for (const Case& c : cases) {
    Bytes bytes = recording.bytes();
    bytes[c.at] ^= c.bit;
    if (c.longer != SIZE_MAX) bytes[built[c.longer].offset + 5] += 8000 >> 8;
    if (c.false_header)
      bytes.insert(bytes.begin(), {0, '2', 'd', 'c', 0x20, 0x4E, 0, 0, 0, 0, 0, 0});
    StreamFileOf file(bytes);
    CFileNvr reader(SourceKind::kHostFile);
    ASSERT_EQ(reader.Open(file.path()), 0) << c.name;
    const RecFileParam param = reader.file_param();
    EXPECT_EQ(uint64_t{param.start}, c.start) << c.name;
    EXPECT_EQ(uint64_t{param.end}, c.end) << c.name;
    EXPECT_EQ(param.duration_ms, static_cast<int32_t>(c.end - c.start)) << c.name;
    EXPECT_EQ(param.start_time.hour, 14) << c.name;
    EXPECT_EQ(param.start_time.second, 9) << c.name;
    EXPECT_EQ(param.end_time.minute, 5) << c.name;
    EXPECT_EQ(param.end_time.second, 10) << c.name;
    EXPECT_EQ(ReadToEnd(reader).size(), built.size() - (c.longer != SIZE_MAX)) << c.name;
    // Every range inside the recording holds frames; steps find real key frames.
    ASSERT_EQ(reader.Rewind(), 0);
    RecFrame* frame = nullptr;
    ASSERT_EQ(reader.NextKeyFrame(&frame), 0) << c.name;
    if (c.first_key) {
      EXPECT_EQ(frame->timestamp, c.first_key) << c.name;
    }
    reader.ReleaseFrame(frame);
    EXPECT_EQ(reader.Seek(1000, 0), 0) << c.name;
    ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0) << c.name;
    EXPECT_EQ(frame->kind, FRAME_VIDEO_KEY) << c.name;
    reader.ReleaseFrame(frame);
  }
}

TEST(FileNvrTest, FailingShortAndLyingSourcesEndReadingCleanly) {
  RecordingBuilder recording;
  recording.Video(60, 10, 2000, 9000).Audio(102400).Video(20, 10, 500, 3000);
  const std::vector<BuiltFrame>& built = recording.frames();
  const std::string& path = recording.Write();
  struct Case {
    const char* name;
    testing::ReadFaults faults;
    bool opens;
    bool whole;  // every frame delivered; else a prefix
  };
  // Opening reads the head (two whole reads: the data, then the end) and the
  // tail (two more) of this recording of 180 KB; in reads of 4096 bytes,
  // opening takes about 90.
  const Case cases[] = {
      {"short reads", {0, false, 777, 0}, true, true},
      {"size too large", {0, false, 0, 1 << 30}, true, true},
      {"size zero", {0, false, 0, -static_cast<int64_t>(recording.bytes().size())}, true, true},
      {"first read fails", {1, false, 0, 0}, false, false},
      {"tail unreadable", {3, true, 0, 0}, true, false},
      {"a read while playing fails", {120, false, 4096, 0}, true, false},
      {"every read while playing fails", {5, true, 0, 0}, true, false},
  };
  for (const Case& c : cases) {
    testing::ScopedReadFaults faults(c.faults);
    CFileNvr reader(SourceKind::kHostFile);
    const int opened = reader.Open(path.c_str());
    EXPECT_EQ(opened == 0, c.opens) << c.name;
    if (opened != 0) continue;
    // The head vouches for the end when the tail cannot be read.
    EXPECT_GE(reader.file_param().duration_ms, 2360) << c.name;
    const std::vector<Read> read = ReadToEnd(reader);
    if (c.whole) {
      EXPECT_EQ(read.size(), built.size()) << c.name;
    } else {
      EXPECT_LT(read.size(), built.size()) << c.name;
    }
    for (size_t i = 0; i < read.size() && i < built.size(); ++i)
      EXPECT_EQ(read[i].timestamp, built[i].timestamp) << c.name << " " << i;
  }
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
