#include "brisca/card/card_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brisca/base/diag_log.h"
#include "brisca/card/evf_layout.h"
#include "tests/card/card_test_support.h"

namespace brisca {
namespace {

using testing::CardTempFolder;
using tools::card::CardFrame;
using tools::card::CardRecordingFrames;

// What a read delivered: kind, timestamp and the first data byte (0xEE
// video, 0xAA audio) with the frame's index in its second byte.
struct Got {
  FrameKind kind;
  uint64_t timestamp;
  uint8_t index;
  bool operator==(const Got&) const = default;
};

Got Describe(const RecFrame* frame) {
  return {frame->kind, frame->timestamp, frame->length > 1 ? frame->data[1] : uint8_t{0}};
}

Got VideoAt(const CardRecordingFrames& r, size_t i) {
  return {r.video[i].key ? FRAME_VIDEO_KEY : FRAME_VIDEO_PREDICTED, r.video[i].timestamp_us,
          r.video[i].data[1]};
}

Got AudioAt(const CardRecordingFrames& r, size_t i) {
  return {FRAME_AUDIO, r.audio[i].timestamp_us, r.audio[i].data[1]};
}

std::vector<Got> ReadAll(CFileJv& reader) {
  std::vector<Got> out;
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  while (reader.ReadFrame(&frame, &info) == 0) {
    out.push_back(Describe(frame));
    reader.ReleaseFrame(frame);
  }
  EXPECT_EQ(info, nullptr);  // card recordings carry no telemetry frames
  return out;
}

class FileJvTest : public ::testing::Test {
 protected:
  void SetUp() override { ProcessLog().SetRoot(folder_.path()); }

  // Partition 0, file 1 holds `recordings`; the index is loaded.
  void MakeCard(const std::vector<CardRecordingFrames>& recordings, uint32_t per_block = 3000) {
    testing::WriteFolderCard(folder_.path(), recordings, per_block);
    manager_.SetDir(folder_.path().c_str(), kCardFolderMode);
    RecFileParam* list = nullptr;
    listed_ = manager_.GetFileParam(&list, nullptr, 0);
    std::free(list);
  }

  CardTempFolder folder_;
  CIndexFileJvMgr manager_;
  int listed_ = 0;
};

TEST_F(FileJvTest, TwoVideoThreeAudioDeliversVideoAudioVideo) {
  const CardRecordingFrames r = testing::SyntheticRecording(2, 3, 1);
  MakeCard({r});
  CFileJv reader(manager_);
  ASSERT_EQ(reader.Open("0\\1\\0"), 0);
  // Audio 0 and audio 2 are never delivered.
  EXPECT_EQ(ReadAll(reader), (std::vector<Got>{VideoAt(r, 0), AudioAt(r, 1), VideoAt(r, 1)}));
}

TEST_F(FileJvTest, LaterBlocksStartWithTheirAudioZero) {
  const CardRecordingFrames r = testing::SyntheticRecording(6, 6, 3);
  MakeCard({r}, 3);  // two blocks of three video and three audio entries
  CFileJv reader(manager_);
  ASSERT_EQ(reader.Open("0\\1\\0"), 0);
  EXPECT_EQ(ReadAll(reader),
            (std::vector<Got>{VideoAt(r, 0), AudioAt(r, 1), VideoAt(r, 1), AudioAt(r, 2),
                              VideoAt(r, 2), AudioAt(r, 3), VideoAt(r, 3), AudioAt(r, 4),
                              VideoAt(r, 4), AudioAt(r, 5), VideoAt(r, 5)}));
  ASSERT_EQ(reader.Rewind(), 0);
  EXPECT_EQ(ReadAll(reader).size(), 11u);  // the same order again from the start
}

TEST_F(FileJvTest, OpenFillsTheRecordAndTheInformation) {
  MakeCard({testing::SyntheticRecording(10, 10, 5), testing::SyntheticRecording(50, 0, 5, 9000000)});
  CFileJv reader(manager_);
  ASSERT_EQ(reader.Open("0\\1\\1"), 0);
  const RecFileParam param = reader.file_param();
  EXPECT_STREQ(param.name, "0\\1\\1");
  EXPECT_EQ(param.start_time.year, 2026);
  EXPECT_EQ(param.start_time.month, 3);
  EXPECT_EQ(param.start_time.day, 7);
  EXPECT_EQ(param.start_time.hour, 8);
  EXPECT_EQ(param.start_time.second, 10);  // slot 1 starts 10 s after slot 0
  EXPECT_EQ(param.end_time.second, 11);
  EXPECT_EQ(uint64_t{param.start}, 9000000u);
  EXPECT_EQ(uint64_t{param.end}, 9000000u + 49 * 40000u);
  EXPECT_EQ(param.duration_ms, 49 * 40);
  EXPECT_EQ(param.record_type, 1);
  RecFileInfo info{};
  ASSERT_EQ(reader.CopyFileInfo(&info), 0);
  EXPECT_FLOAT_EQ(info.frame_rate, 25.0f);
  EXPECT_EQ(info.reserved0, 7);  // byte 1 of the index entry
  EXPECT_EQ(info.audio_codec, 2);
  EXPECT_EQ(reader.current_timestamp(), 9000000u);
}

TEST_F(FileJvTest, SeekLandsWithinOneSecondOrKeepsThePosition) {
  const CardRecordingFrames r = testing::SyntheticRecording(100, 100, 25);  // 4 s, key every 1 s
  MakeCard({r});
  CFileJv reader(manager_);
  ASSERT_EQ(reader.Open("0\\1\\0"), 0);
  RecFrame* frame = nullptr;
  ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);  // video 0
  reader.ReleaseFrame(frame);
  // 6 s lies more than one second after every frame (the last is at 3.96 s).
  EXPECT_EQ(reader.Seek(6000, 1), 1);
  EXPECT_EQ(reader.Seek(-2000, 0), 1);
  ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);
  EXPECT_EQ(Describe(frame), AudioAt(r, 1));  // the position was kept
  reader.ReleaseFrame(frame);

  // Flag 0: the first key frame less than a second from 2.5 s is at 2 s.
  ASSERT_EQ(reader.Seek(2500, 0), 0);
  ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);
  EXPECT_EQ(Describe(frame), VideoAt(r, 50));
  reader.ReleaseFrame(frame);
  // Flag 1: any frame; the first within a second of 2.5 s is at 1.52 s.
  ASSERT_EQ(reader.Seek(2500, 1), 0);
  ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);
  EXPECT_EQ(Describe(frame), VideoAt(r, 38));
  reader.ReleaseFrame(frame);
}

TEST_F(FileJvTest, SeekComparesWholeTimestampsPastSeventyMinutes) {
  // Two frames 2^32 microseconds apart agree in their low 32 bits.
  CardRecordingFrames r = testing::SyntheticRecording(2, 0, 1, 1000000, 4294967296u);
  MakeCard({r});
  CFileJv reader(manager_);
  ASSERT_EQ(reader.Open("0\\1\\0"), 0);
  ASSERT_EQ(reader.Seek(4294967, 0), 0);  // 71.6 minutes in
  RecFrame* frame = nullptr;
  ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);
  EXPECT_EQ(Describe(frame), VideoAt(r, 1));
  reader.ReleaseFrame(frame);
}

TEST_F(FileJvTest, KeyFrameSteps) {
  const CardRecordingFrames r = testing::SyntheticRecording(100, 100, 25);  // keys 0, 25, 50, 75
  MakeCard({r}, 40);  // across three blocks
  CFileJv reader(manager_);
  ASSERT_EQ(reader.Open("0\\1\\0"), 0);
  RecFrame* frame = nullptr;
  auto step = [&](int (CFileJv::*operation)(RecFrame**)) {
    if ((reader.*operation)(&frame) != 0) return Got{FRAME_INFO, 0, 0};
    const Got got = Describe(frame);
    reader.ReleaseFrame(frame);
    return got;
  };
  auto next = [&] { return step(&CFileJv::NextKeyFrame); };
  auto prev = [&] { return step(&CFileJv::PrevKeyFrame); };
  EXPECT_EQ(next(), VideoAt(r, 25));
  EXPECT_EQ(next(), VideoAt(r, 50));
  EXPECT_EQ(next(), VideoAt(r, 75));
  EXPECT_EQ(next().kind, FRAME_INFO);  // at the last key frame
  EXPECT_EQ(reader.current_timestamp(), r.video[75].timestamp_us);
  // The first backward step gives the key frame at the current time, the
  // next ones the key frames before it.
  EXPECT_EQ(prev(), VideoAt(r, 75));
  EXPECT_EQ(prev(), VideoAt(r, 50));
  EXPECT_EQ(prev(), VideoAt(r, 25));
  EXPECT_EQ(prev(), VideoAt(r, 0));
  EXPECT_EQ(prev().kind, FRAME_INFO);  // nothing before the first frame
  // Forward again: the key frame at the current time first.
  EXPECT_EQ(next(), VideoAt(r, 0));
  EXPECT_EQ(next(), VideoAt(r, 25));
}

TEST_F(FileJvTest, BackwardStepFromTheEnd) {
  const CardRecordingFrames r = testing::SyntheticRecording(30, 0, 10);
  MakeCard({r});
  CFileJv reader(manager_);
  ASSERT_EQ(reader.Open("0\\1\\0"), 0);
  EXPECT_EQ(ReadAll(reader).size(), 30u);
  RecFrame* frame = nullptr;
  ASSERT_EQ(reader.PrevKeyFrame(&frame), 0);  // within a second of the last frame
  EXPECT_EQ(Describe(frame), VideoAt(r, 10));
  reader.ReleaseFrame(frame);
  ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);  // reading resumes at the key frame
  EXPECT_EQ(Describe(frame), VideoAt(r, 10));
  reader.ReleaseFrame(frame);
}

TEST_F(FileJvTest, HeaderAndBlockFaults) {
  CardRecordingFrames r = testing::SyntheticRecording(5, 5, 5);
  MakeCard({r, r, r, r});
  const std::string container = folder_ / "0_fly00001.evf";
  std::vector<uint8_t> bytes = testing::ReadBytes(container);
  const uint32_t size = static_cast<uint32_t>(bytes.size() / 4);
  bytes[size + evf::kHeaderGuidOffsets[3] + 5] ^= 1;  // recording 1: fourth GUID wrong
  bytes[2 * size + 192] = 0;                           // recording 2: no blocks
  std::memset(&bytes[2 * size + 193], 0, 3);
  bytes[3 * size + evf::kHeaderSize + 3] ^= 1;  // recording 3: block GUID wrong
  testing::WriteBytes(container, bytes);

  CFileJv reader(manager_);
  EXPECT_EQ(reader.Open("0\\1\\1"), CFileJv::kHeaderWrong);
  EXPECT_FALSE(reader.is_open());
  EXPECT_EQ(reader.SearchFile("0\\1\\1"), CFileJv::kHeaderWrong);
  EXPECT_EQ(reader.Open("0\\1\\3"), CFileJv::kBlockMissing);
  EXPECT_EQ(reader.SearchFile("0\\1\\3"), CFileJv::kBlockMissing);
  EXPECT_EQ(reader.Open("0\\1\\9"), CFileJv::kNotInIndex);
  EXPECT_EQ(reader.Open("0\\2\\0"), CFileJv::kNotInIndex);
  EXPECT_EQ(reader.Open("0\\1"), CFileJv::kNotInIndex);
  ASSERT_EQ(reader.Open("0\\1\\2"), 0);  // block count 0 opens
  RecFrame* frame = nullptr;
  EXPECT_EQ(reader.ReadFrame(&frame, nullptr), 1);  // but has no frame
  EXPECT_EQ(reader.NextKeyFrame(&frame), 1);
  EXPECT_EQ(reader.PrevKeyFrame(&frame), 1);
  ASSERT_EQ(reader.Open("0\\1\\0"), 0);
  EXPECT_EQ(ReadAll(reader).size(), 9u);

  std::filesystem::remove(container);
  EXPECT_EQ(reader.SearchFile("0\\1\\0"), CFileJv::kContainerMissing);
  ASSERT_EQ(reader.Rewind(), 0);  // the open recording is left alone
  EXPECT_EQ(ReadAll(reader).size(), 9u);
}

TEST_F(FileJvTest, BlockCutShortFailsBothOpenAndCheck) {
  MakeCard({testing::SyntheticRecording(5, 5, 5)});
  const std::string container = folder_ / "0_fly00001.evf";
  std::filesystem::resize_file(container, evf::kHeaderSize + evf::kBlockSize - 1);
  CFileJv reader(manager_);
  EXPECT_EQ(reader.SearchFile("0\\1\\0"), CFileJv::kBlockMissing);
  EXPECT_EQ(reader.Open("0\\1\\0"), CFileJv::kBlockMissing);
  std::filesystem::resize_file(container, 150);
  EXPECT_EQ(reader.Open("0\\1\\0"), CFileJv::kHeaderUnreadable);
}

TEST_F(FileJvTest, ImpossibleEntryCountsAreRefused) {
  MakeCard({testing::SyntheticRecording(5, 5, 5)});
  const std::string container = folder_ / "0_fly00001.evf";
  std::vector<uint8_t> bytes = testing::ReadBytes(container);
  std::vector<uint8_t> block(bytes.begin() + evf::kHeaderSize,
                             bytes.begin() + evf::kHeaderSize + evf::kBlockSize);
  evf::SetCounts(block.data(), evf::kMaxVideoEntries + 1, 5);
  std::copy(block.begin(), block.end(), bytes.begin() + evf::kHeaderSize);
  testing::WriteBytes(container, bytes);
  CFileJv reader(manager_);
  EXPECT_EQ(reader.Open("0\\1\\0"), CFileJv::kBlockMissing);
}

TEST_F(FileJvTest, HeldPoolFramesFailTheReadWithoutLosingAFrame) {
  const CardRecordingFrames r = testing::SyntheticRecording(8, 0, 4);
  MakeCard({r});
  CFileJv reader(manager_);
  ASSERT_EQ(reader.Open("0\\1\\0"), 0);
  std::vector<RecFrame*> held(5);
  for (RecFrame*& frame : held) ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);
  RecFrame* frame = nullptr;
  EXPECT_EQ(reader.ReadFrame(&frame, nullptr), 1);
  for (RecFrame* f : held) reader.ReleaseFrame(f);
  ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);
  EXPECT_EQ(Describe(frame), VideoAt(r, 5));
  reader.ReleaseFrame(frame);
}

}  // namespace
}  // namespace brisca
