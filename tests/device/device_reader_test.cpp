#include "brisca/device/device_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "brisca/testing/faulty_file.h"
#include "tests/device/device_file_builder.h"

namespace brisca {
namespace {

using testing::DeviceFileBuilder;
using testing::MakeInfo;

struct Read {
  FrameKind kind;
  uint64_t timestamp;
  uint32_t length;
};

std::vector<Read> ReadAll(CFileAuds& reader) {
  std::vector<Read> out;
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  while (reader.ReadFrame(&frame, &info) == 0) {
    out.push_back({frame->kind, frame->timestamp, frame->length});
    reader.ReleaseFrame(frame);
    if (info) {
      out.push_back({info->kind, info->timestamp, info->length});
      reader.ReleaseFrame(info);
    }
    info = nullptr;
  }
  return out;
}

// A small recording: three key chunks 1 s apart with telemetry, predicted
// chunks and audio between them.
DeviceFileBuilder ThreeSeconds() {
  DeviceFileBuilder file;
  file.Key(1000000, MakeInfo(14, 5, 9, 1)).Audio().Predicted(1500000).Audio(3);
  file.Key(2000000, MakeInfo(14, 5, 10, 2)).Predicted(2500000, MakeInfo(14, 5, 10, 3));
  file.Key(3000000, MakeInfo(14, 5, 11, 4)).Predicted(3500000);
  return file;
}

std::string WriteWithType(const std::string& type) {
  DeviceFileBuilder file = ThreeSeconds();
  file.DeviceType(type);
  return file.Write();
}

TEST(FileAudsTest, AcceptsTheTwoDeviceTypesInAnyCaseAndTheCamPrefix) {
  CFileAuds reader;
  EXPECT_EQ(reader.Open(WriteWithType("KVR_REC_40XX").c_str()), 0);
  EXPECT_EQ(reader.Open(WriteWithType("kvr_rec_40xx").c_str()), 0);
  EXPECT_EQ(reader.Open(WriteWithType("cam_510_27xx").c_str()), 0);
  EXPECT_EQ(reader.Open(WriteWithType("CAM").c_str()), 0);
  EXPECT_EQ(reader.Open(WriteWithType("CAMERA_77").c_str()), 0);
  // The prefix counts only as written; other names not at all.
  EXPECT_EQ(reader.Open(WriteWithType("cam_77").c_str()), 1);
  EXPECT_EQ(reader.Open(WriteWithType("KVR_REC_40").c_str()), 1);
  EXPECT_EQ(reader.Open(WriteWithType("").c_str()), 1);
  EXPECT_FALSE(reader.is_open());
}

TEST(FileAudsTest, FileNameCodeSetsTheInterval) {
  const DeviceFileBuilder file = ThreeSeconds();
  const auto interval = [&](const std::string& name) {
    CFileAuds reader;
    EXPECT_EQ(reader.Open(file.Write(name).c_str()), 0) << name;
    return reader.interval_ms();
  };
  EXPECT_EQ(interval("001-01-260308-140509-00d0001.dav"), 1000u);
  EXPECT_EQ(interval("001-01-260308-140509-00a0001.dav"), 500u);
  EXPECT_EQ(interval("001-01-260308-140509-00e0001.dav"), 1500u);
  EXPECT_EQ(interval("001-01-260308-140509-00f0001.dav"), 2000u);
  EXPECT_EQ(interval("001-01-260308-140509-00g0001.dav"), 500u);  // no code
  EXPECT_EQ(interval("001-01-260308-140509-00d001.dav"), 500u);   // 31 characters
  EXPECT_EQ(interval("001_01-260308-140509-00d0001.dav"), 500u);  // no '-' at 3
}

TEST(FileAudsTest, OpenFillsTheSummaryRecord) {
  DeviceFileBuilder file = ThreeSeconds();
  file.HeaderText(372, "PLATE-0001").HeaderText(512, "fleet B").HeaderText(388, "text C");
  file.HeaderText(532, "driver D").DeviceType("CAM_510_27XX").HeaderByte(58, 3);
  CFileAuds reader;
  ASSERT_EQ(reader.Open(file.Write().c_str()), 0);
  const RecFileParam param = reader.file_param();
  EXPECT_EQ(param.start_time.year, 2026);
  EXPECT_EQ(param.start_time.hour, 14);
  EXPECT_EQ(param.start_time.second, 9);
  EXPECT_EQ(param.end_time.minute, 6);
  EXPECT_EQ(uint64_t{param.start}, 1000000u);
  EXPECT_EQ(uint64_t{param.end}, 3500000u);
  EXPECT_EQ(param.duration_ms, 2500);
  EXPECT_STREQ(param.device_text[0], "PLATE-0001");
  EXPECT_STREQ(param.device_text[1], "fleet B");
  EXPECT_STREQ(param.device_text[2], "text C");
  EXPECT_STREQ(param.device_text[3], "driver D");
  EXPECT_EQ(std::string(param.device_type, sizeof param.device_type), "CAM_510_27X");
  EXPECT_EQ(reader.audio_type(), 3);
  EXPECT_EQ(reader.current_timestamp(), 1000000u);
}

TEST(FileAudsTest, DamagedFirstOrLastTimestampIsReplacedByItsNeighbour) {
  DeviceFileBuilder clean = ThreeSeconds();
  const size_t last_chunk = clean.size();
  clean.Predicted(3540000);
  // The first chunk's timestamp (at +16) and the last one's.
  struct Case {
    const char* name;
    size_t at;
    uint8_t bit;
    uint64_t start, end;
  };
  const size_t first = 0x10000 + 16;
  const size_t last = last_chunk + 16;
  const Case cases[] = {
      {"first far ahead", first + 5, 0x01, 1500000, 3540000},   // bit 40
      {"first 17 s ahead", first + 3, 0x01, 1500000, 3540000},  // bit 24
      {"last far ahead", last + 6, 0x20, 1000000, 3500000},     // bit 53
      {"untouched", 0, 0, 1000000, 3540000},
  };
  for (const Case& c : cases) {
    DeviceFileBuilder file = clean;
    file.bytes()[c.at] ^= c.bit;
    const std::string path = file.Write();
    CFileAuds reader;
    ASSERT_EQ(reader.Open(path.c_str()), 0) << c.name;
    const RecFileParam param = reader.file_param();
    EXPECT_EQ(uint64_t{param.start}, c.start) << c.name;
    EXPECT_EQ(uint64_t{param.end}, c.end) << c.name;
    EXPECT_EQ(param.duration_ms, static_cast<int32_t>((c.end - c.start) / 1000)) << c.name;
    EXPECT_EQ(reader.Seek(1000, 0), 0) << c.name;
    RecFileParam summary{};
    ASSERT_EQ(CFileAuds().ReadDeviceInfo(&summary, path.c_str()), 0) << c.name;
    EXPECT_EQ(summary.duration_ms, param.duration_ms) << c.name;
  }
}

TEST(FileAudsTest, FailingShortAndLyingFilesEndReadingCleanly) {
  DeviceFileBuilder file = ThreeSeconds();
  for (int i = 0; i < 40; ++i) file.Predicted(3600000 + 40000 * i, {}, 30000);
  const std::string path = file.Write();
  CFileAuds clean;
  ASSERT_EQ(clean.Open(path.c_str()), 0);
  const std::vector<Read> expected = ReadAll(clean);
  const int64_t size = static_cast<int64_t>(file.size());
  // How many reads of 4096 bytes opening takes, so that faults can hit
  // the reads that come after it.
  int open_reads = 0;
  {
    brisca::testing::FaultyFile* probe = nullptr;
    SetByteSourceWrapper([&](std::unique_ptr<CBaseFile> source) -> std::unique_ptr<CBaseFile> {
      auto faulty = std::make_unique<brisca::testing::FaultyFile>(
          std::move(source), brisca::testing::ReadFaults{0, false, 4096, 0});
      probe = faulty.get();
      return faulty;
    });
    CFileAuds counted;
    ASSERT_EQ(counted.Open(path.c_str()), 0);
    open_reads = probe->reads();
    SetByteSourceWrapper({});
  }
  struct Case {
    const char* name;
    brisca::testing::ReadFaults faults;
    bool opens;
    bool whole;  // every frame; else a prefix
  };
  const Case cases[] = {
      {"short reads", {0, false, 333, 0}, true, true},
      {"size too large", {0, false, 0, 1 << 20}, true, true},
      {"size a terabyte too large", {0, false, 0, int64_t{1} << 40}, true, true},
      {"size cuts the last chunk", {0, false, 0, -100}, true, false},
      {"size below the data", {0, false, 0, -(size - 0x10000)}, false, false},
      {"header read fails", {2, false, 0, 0}, false, false},  // after the size check
      {"every read fails after opening", {open_reads + 1, true, 4096, 0}, true, false},
      {"one read fails while playing, read again", {open_reads + 100, false, 4096, 0}, true, true},
  };
  for (const Case& c : cases) {
    brisca::testing::ScopedReadFaults faults(c.faults);
    CFileAuds reader;
    const int opened = reader.Open(path.c_str());
    EXPECT_EQ(opened == 0, c.opens) << c.name;
    RecFileParam summary{};
    EXPECT_EQ(reader.ReadDeviceInfo(&summary, path.c_str()) == 0, c.opens) << c.name;
    if (opened != 0) continue;
    const std::vector<Read> read = ReadAll(reader);
    if (c.whole) {
      EXPECT_EQ(read.size(), expected.size()) << c.name;
    } else {
      EXPECT_LT(read.size(), expected.size()) << c.name;
    }
    for (size_t i = 0; i < read.size() && i < expected.size(); ++i) {
      EXPECT_EQ(read[i].timestamp, expected[i].timestamp) << c.name << " " << i;
      EXPECT_EQ(read[i].length, expected[i].length) << c.name << " " << i;
    }
  }
}

TEST(FileAudsTest, FilesThatAreNoRecordingDoNotOpen) {
  CFileAuds reader;
  EXPECT_EQ(reader.Open("/nonexistent/recording.dav"), 1);
  DeviceFileBuilder audio_only;
  audio_only.Audio().Audio();
  EXPECT_EQ(reader.Open(audio_only.Write().c_str()), 1);
  DeviceFileBuilder empty;
  EXPECT_EQ(reader.Open(empty.Write().c_str()), 1);
  DeviceFileBuilder short_header;
  short_header.bytes().resize(500);
  EXPECT_EQ(reader.Open(short_header.Write().c_str()), 1);
  EXPECT_EQ(reader.Rewind(), 1);
  RecFrame* frame = nullptr;
  EXPECT_EQ(reader.ReadFrame(&frame, nullptr), 1);
}

TEST(FileAudsTest, AudioChunkTakesTheTimestampOfTheVideoChunkBeforeIt) {
  DeviceFileBuilder file;
  file.Audio().Key(5000000, {}).Audio(3).Audio().Predicted(5040000).Audio();
  CFileAuds reader;
  ASSERT_EQ(reader.Open(file.Write().c_str()), 0);
  EXPECT_EQ(reader.audio_type(), 2);
  const std::vector<Read> frames = ReadAll(reader);
  ASSERT_EQ(frames.size(), 6u);
  // Before any video chunk: the first timestamp.
  EXPECT_EQ(frames[0].kind, FRAME_AUDIO);
  EXPECT_EQ(frames[0].timestamp, 5000000u);
  EXPECT_EQ(frames[2].kind, FRAME_AUDIO);
  EXPECT_EQ(frames[2].timestamp, 5000000u);
  EXPECT_EQ(frames[3].timestamp, 5000000u);
  EXPECT_EQ(frames[4].kind, FRAME_VIDEO_PREDICTED);
  EXPECT_EQ(frames[5].timestamp, 5040000u);
  EXPECT_EQ(frames[5].length, 40u);
  EXPECT_EQ(reader.audio_type(), 2);  // the last audio chunk's type
}

TEST(FileAudsTest, VideoChunkWithInfoBlockGivesTwoFramesFromOneRead) {
  DeviceFileBuilder file;
  const InfoRecord telemetry = MakeInfo(14, 5, 9, 77);
  file.Key(1000000, telemetry, 300).Predicted(1040000, {}, 50);
  CFileAuds reader;
  ASSERT_EQ(reader.Open(file.Write().c_str()), 0);
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  ASSERT_EQ(reader.ReadFrame(&frame, &info), 0);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(frame->kind, FRAME_VIDEO_KEY);
  EXPECT_EQ(frame->length, 300u);
  const size_t payload_at = file.key_offsets()[0] + 24 + 48;
  for (size_t i = 0; i < frame->length; ++i)
    ASSERT_EQ(frame->data[i], DeviceFileBuilder::PayloadByte(payload_at, i)) << i;
  EXPECT_EQ(info->kind, FRAME_INFO);
  EXPECT_EQ(info->length, 48u);
  EXPECT_EQ(info->timestamp, 1000000u);
  InfoRecord read;
  std::memcpy(&read, info->data, sizeof read);
  EXPECT_EQ(read.speed_kmh, 77);
  EXPECT_EQ(read.accel_x, 410);
  EXPECT_EQ(read.accel_y, -205);
  EXPECT_EQ(read.accel_z, 4096);
  EXPECT_EQ(read.prev_key_chunk, 0u);
  reader.ReleaseFrame(frame);
  reader.ReleaseFrame(info);
  // Without an info block the second argument is left alone.
  info = nullptr;
  ASSERT_EQ(reader.ReadFrame(&frame, &info), 0);
  EXPECT_EQ(frame->kind, FRAME_VIDEO_PREDICTED);
  EXPECT_EQ(info, nullptr);
  reader.ReleaseFrame(frame);
  EXPECT_EQ(reader.ReadFrame(&frame, &info), 1);
}

TEST(FileAudsTest, ReadInfoFrameSkipsToEachTelemetryRecord) {
  CFileAuds reader;
  ASSERT_EQ(reader.Open(ThreeSeconds().Write().c_str()), 0);
  std::vector<uint16_t> tags;
  std::vector<uint64_t> timestamps;
  RecFrame* info = nullptr;
  while (reader.ReadInfoFrame(0, &info) == 0) {
    InfoRecord record;
    std::memcpy(&record, info->data, sizeof record);
    tags.push_back(record.speed_kmh);
    timestamps.push_back(info->timestamp);
    EXPECT_EQ(info->kind, FRAME_INFO);
    reader.ReleaseFrame(info);
  }
  EXPECT_EQ(tags, (std::vector<uint16_t>{1, 2, 3, 4}));
  EXPECT_EQ(timestamps, (std::vector<uint64_t>{1000000, 2000000, 2500000, 3000000}));
  EXPECT_EQ(reader.audio_type(), 3);
  ASSERT_EQ(reader.Rewind(), 0);
  ASSERT_EQ(reader.ReadInfoFrame(0, &info), 0);
  EXPECT_EQ(info->timestamp, 1000000u);
  reader.ReleaseFrame(info);
}

TEST(FileAudsTest, NoiseTornChunksAndTheEndOfDataAreRespected) {
  DeviceFileBuilder file;
  file.Noise(37).Key(1000000, MakeInfo(14, 5, 9, 1)).Noise(5).Audio().Noise(3);
  file.Predicted(1040000);
  const uint32_t data_end = static_cast<uint32_t>(file.size());
  // After the end of the data: a chunk that must not be read.
  file.Predicted(1080000);
  file.DataEnd(data_end);
  CFileAuds reader;
  ASSERT_EQ(reader.Open(file.Write().c_str()), 0);
  EXPECT_EQ(uint64_t{reader.file_param().end}, 1040000u);
  const std::vector<Read> frames = ReadAll(reader);
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[3].timestamp, 1040000u);

  // A chunk whose length runs past the end is damage: what follows its
  // false header is still read.
  DeviceFileBuilder torn;
  torn.Key(1000000, {});
  const size_t false_header = torn.size();
  torn.Predicted(1040000);
  const uint32_t huge = 0x7FFFFFF0;
  std::memcpy(&torn.bytes()[false_header + 8], &huge, 4);
  torn.Key(2000000, {});
  ASSERT_EQ(reader.Open(torn.Write().c_str()), 0);
  const std::vector<Read> after_damage = ReadAll(reader);
  ASSERT_EQ(after_damage.size(), 2u);
  EXPECT_EQ(after_damage[1].timestamp, 2000000u);
}

TEST(FileAudsTest, AReadWithEveryFrameHeldFailsAndConsumesNothing) {
  DeviceFileBuilder file;
  for (int i = 0; i < 8; ++i) file.Predicted(1000000 + i * 40000u);
  CFileAuds reader;
  ASSERT_EQ(reader.Open(file.Write().c_str()), 0);
  std::vector<RecFrame*> held;
  RecFrame* frame = nullptr;
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);
    held.push_back(frame);
  }
  EXPECT_EQ(reader.ReadFrame(&frame, nullptr), 1);
  reader.ReleaseFrame(held.back());
  ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);
  EXPECT_EQ(frame->timestamp, 1200000u);  // the sixth chunk, not the seventh
  reader.ReleaseFrame(frame);
  for (size_t i = 0; i + 1 < held.size(); ++i) reader.ReleaseFrame(held[i]);
}

TEST(FileAudsTest, PrevKeyFrameWalksTheBackLinksToTheFirstKeyChunk) {
  DeviceFileBuilder file;
  for (uint8_t second = 0; second < 5; ++second) {
    file.Key(1000000u * (second + 1), MakeInfo(14, 5, second, second));
    file.Audio().Predicted(1000000u * (second + 1) + 500000).Audio();
  }
  CFileAuds reader;
  ASSERT_EQ(reader.Open(file.Write().c_str()), 0);
  ReadAll(reader);  // to the end: the first step finds the last key chunk
  std::vector<uint64_t> walked;
  RecFrame* frame = nullptr;
  while (reader.PrevKeyFrame(&frame) == 0) {
    EXPECT_EQ(frame->kind, FRAME_VIDEO_KEY);
    walked.push_back(frame->timestamp);
    EXPECT_EQ(reader.current_frame_position(), file.key_offsets()[4 - (walked.size() - 1)]);
    reader.ReleaseFrame(frame);
  }
  EXPECT_EQ(walked, (std::vector<uint64_t>{5000000, 4000000, 3000000, 2000000, 1000000}));
  // Stepping backward blocks forward steps until a read.
  EXPECT_EQ(reader.NextKeyFrame(&frame), 1);
  ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);  // the first key chunk again
  EXPECT_EQ(frame->timestamp, 1000000u);
  reader.ReleaseFrame(frame);
}

TEST(FileAudsTest, BackLinksForwardOrOutsideTheFileEndTheWalk) {
  const auto walk = [](uint32_t bad_link) {
    DeviceFileBuilder file;
    file.Key(1000000, MakeInfo(14, 5, 9, 1)).Predicted(1500000);
    file.Key(2000000, MakeInfo(14, 5, 10, 2), 100, bad_link).Predicted(2500000);
    file.Key(3000000, MakeInfo(14, 5, 11, 3));
    CFileAuds reader;
    EXPECT_EQ(reader.Open(file.Write().c_str()), 0);
    ReadAll(reader);
    std::vector<uint64_t> walked;
    RecFrame* frame = nullptr;
    while (reader.PrevKeyFrame(&frame) == 0) {
      walked.push_back(frame->timestamp);
      reader.ReleaseFrame(frame);
    }
    return std::make_pair(walked, file);
  };
  // A link to the last key chunk points forward.
  DeviceFileBuilder layout = walk(0).second;
  const uint32_t last_key = layout.key_offsets()[2];
  const std::vector<uint64_t> both{3000000, 2000000};
  EXPECT_EQ(walk(last_key).first, both);
  EXPECT_EQ(walk(layout.key_offsets()[1]).first, both);  // to itself
  EXPECT_EQ(walk(0x7FFFFFF0).first, both);               // past the end of the file
  EXPECT_EQ(walk(100).first, both);                      // inside the header
  EXPECT_EQ(walk(layout.key_offsets()[0] + 3).first, both);  // no chunk there
  EXPECT_EQ(walk(0).first, both);                        // none
  EXPECT_EQ(walk(layout.key_offsets()[0]).first,
            (std::vector<uint64_t>{3000000, 2000000, 1000000}));
}

TEST(FileAudsTest, NextKeyFrameStepsThroughEveryKeyChunk) {
  CFileAuds reader;
  ASSERT_EQ(reader.Open(ThreeSeconds().Write().c_str()), 0);
  std::vector<uint64_t> stepped;
  RecFrame* frame = nullptr;
  while (reader.NextKeyFrame(&frame) == 0) {
    stepped.push_back(frame->timestamp);
    reader.ReleaseFrame(frame);
  }
  EXPECT_EQ(stepped, (std::vector<uint64_t>{1000000, 2000000, 3000000}));
}

TEST(FileAudsTest, SeekLandsOnAKeyChunkNearTheTarget) {
  DeviceFileBuilder file;
  for (int second = 0; second < 20; ++second) {
    file.Key(10000000u + second * 1000000u, {}, 400);
    for (int frame = 1; frame < 5; ++frame)
      file.Predicted(10000000u + second * 1000000u + frame * 200000u, {}, 200);
  }
  CFileAuds reader;
  ASSERT_EQ(reader.Open(file.Write().c_str()), 0);
  for (int32_t ms : {0, 4300, 12000, 19800}) {
    ASSERT_EQ(reader.Seek(ms, 1), 0) << ms;
    RecFrame* frame = nullptr;
    ASSERT_EQ(reader.ReadFrame(&frame, nullptr), 0);
    EXPECT_EQ(frame->kind, FRAME_VIDEO_KEY);
    const int64_t target = 10000000 + int64_t{ms} * 1000;
    EXPECT_LE(std::llabs(static_cast<int64_t>(frame->timestamp) - target), 1000000) << ms;
    reader.ReleaseFrame(frame);
  }
  EXPECT_EQ(reader.Seek(-1, 0), 1);
  EXPECT_EQ(reader.Seek(19801, 0), 1);  // past the last chunk
}

TEST(FileAudsTest, ReadDeviceInfoTakesTheEndFromTheLastKeyChunk) {
  DeviceFileBuilder file = ThreeSeconds();
  file.HeaderByte(50, 3).HeaderByte(100, 0).HeaderByte(140, 0).HeaderByte(180, 4);
  file.HeaderText(372, "PLATE");
  const std::string path = file.Write();
  CFileAuds reader;
  RecFileParam param;
  std::memset(&param, 0x55, sizeof param);
  ASSERT_EQ(reader.ReadDeviceInfo(&param, path.c_str()), 0);
  EXPECT_FALSE(reader.is_open());
  EXPECT_EQ(param.start_time.second, 9);
  EXPECT_EQ(param.end_time.minute, 5);  // 14:05:11 of the last key chunk, not the header's
  EXPECT_EQ(param.end_time.second, 11);
  EXPECT_EQ(param.duration_ms, 2500);
  EXPECT_EQ(param.channel, 4);
  EXPECT_EQ(param.record_type, 3);
  EXPECT_STREQ(param.device_text[0], "PLATE");
  EXPECT_EQ(param.name[0], '\0');
  EXPECT_EQ(reader.ReadDeviceInfo(&param, "/nonexistent.dav"), 1);
}

}  // namespace
}  // namespace brisca
