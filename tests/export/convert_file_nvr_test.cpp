#include "brisca/export/convert_file_nvr.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "brisca/decode/cadec_factory.h"
#include "brisca/disk/disk_reader.h"
#include "brisca/export/convert_range.h"
#include "tests/export/export_test_support.h"

namespace brisca {
namespace {

using testing::AviFile;
using testing::ReadAvi;
using testing::WorkPath;

// 10:12:30 to 10:18:10 (the last video frame 340.8 s after the first), a
// key frame every 2 s, G.711 A-law voice.
constexpr const char* kRecordingOptions =
    "--size 96x64 --fps 5 --keyint 10 --duration 341 --audio alaw "
    "--start '2026-05-01 10:12:30' --seed 3";

uint32_t Packed(int hour, int minute, int second) { return PackClockTime({hour, minute, second}); }

struct Report {
  uint32_t user;
  int32_t done;
  int32_t total;
};

std::mutex reports_lock;
std::vector<Report> reports;

void BRISCA_CALL Record(uint32_t user, int32_t done, int32_t total) {
  const std::lock_guard lock(reports_lock);
  reports.push_back({user, done, total});
}

std::vector<Report> TakeReports() {
  const std::lock_guard lock(reports_lock);
  return std::move(reports);
}

struct SourceFrame {
  FrameKind kind;
  uint64_t timestamp;
  std::vector<uint8_t> data;
};

// The frames a conversion of [start_ms, end_ms] copies: from the key frame
// at or before the start through the key frame at or before the end.
std::vector<SourceFrame> FramesOfRange(const std::string& path, int32_t start_ms, int32_t end_ms) {
  CFileNvr reader(SourceKind::kHostFile);
  std::vector<SourceFrame> all;
  if (reader.Open(path.c_str()) != 0) return all;
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  while (reader.ReadFrame(&frame, &info) == 0) {
    all.push_back({frame->kind, frame->timestamp,
                   std::vector<uint8_t>(frame->data, frame->data + frame->length)});
    reader.ReleaseFrame(frame);
    if (info) reader.ReleaseFrame(info);
    info = nullptr;
  }
  if (all.empty()) return all;
  const uint64_t origin = all.front().timestamp;
  size_t first = 0;
  size_t last = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].kind != FRAME_VIDEO_KEY) continue;
    if (all[i].timestamp <= origin + static_cast<uint64_t>(start_ms)) first = i;
    if (all[i].timestamp <= origin + static_cast<uint64_t>(end_ms)) last = i;
  }
  return std::vector<SourceFrame>(all.begin() + static_cast<std::ptrdiff_t>(first),
                                  all.begin() + static_cast<std::ptrdiff_t>(last) + 1);
}

std::vector<std::vector<uint8_t>> Video(const std::vector<SourceFrame>& frames) {
  std::vector<std::vector<uint8_t>> out;
  for (const SourceFrame& frame : frames)
    if (frame.kind != FRAME_AUDIO) out.push_back(frame.data);
  return out;
}

// The voice of the frames decoded in order by a fresh decoder, as bytes.
std::vector<uint8_t> DecodedVoice(const std::vector<SourceFrame>& frames, uint8_t codec) {
  std::unique_ptr<CADEC> decoder = CreateAudioDecoder(codec);
  decoder->Open();
  std::vector<uint8_t> out;
  std::vector<int16_t> samples(decoder->OutputBufferSize() / 2);
  for (const SourceFrame& frame : frames) {
    if (frame.kind != FRAME_AUDIO) continue;
    std::vector<uint8_t> input(frame.data);
    input.resize(std::max<size_t>(input.size(), decoder->InputFrameSize()));
    uint16_t count = static_cast<uint16_t>(frame.data.size() / 2);
    decoder->Decode(input.data(), samples.data(), &count);
    const auto* bytes = reinterpret_cast<const uint8_t*>(samples.data());
    out.insert(out.end(), bytes, bytes + count * 2);
  }
  return out;
}

// Every report before the last is progress: below the total and rising.
// The last is (total, total) for a complete copy, else -1.
void ExpectReports(const std::vector<Report>& got, bool complete) {
  ASSERT_GE(got.size(), 2u);
  const int32_t total = got.front().total;
  int32_t previous = -1;
  for (size_t i = 0; i + 1 < got.size(); ++i) {
    EXPECT_EQ(got[i].user, 7u);
    EXPECT_EQ(got[i].total, total);
    EXPECT_LT(got[i].done, total);
    EXPECT_GE(got[i].done, previous);
    previous = got[i].done;
  }
  if (complete) {
    EXPECT_EQ(got.back().done, total);
    EXPECT_EQ(got.back().total, total);
  } else {
    EXPECT_EQ(got.back().done, -1);
  }
}

class ConvertFileNvrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recording_ = testing::Recording(kRecordingOptions);
    ASSERT_FALSE(recording_.empty());
    TakeReports();
  }

  std::unique_ptr<CConvertFileNvr> Conversion(const std::string& output) {
    auto conversion = std::make_unique<CConvertFileNvr>(recording_, output);
    conversion->SetCallback(7, Record);
    return conversion;
  }

  std::string recording_;
};

TEST_F(ConvertFileNvrTest, CopiesTheRangeUpToTheRecordingsEnd) {
  const std::string output = WorkPath("range.avi");
  // 10:15:00 to 10:20:00 on 10:12:30-10:18:10: offsets 150,000 and 340,000 ms.
  ASSERT_EQ(Conversion(output)->Convert(Packed(10, 15, 0), Packed(10, 20, 0)), 0);
  ExpectReports(TakeReports(), true);

  const std::vector<SourceFrame> expected = FramesOfRange(recording_, 150000, 340000);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(expected.front().kind, FRAME_VIDEO_KEY);
  EXPECT_EQ(expected.back().kind, FRAME_VIDEO_KEY);
  const std::optional<AviFile> file = ReadAvi(output);
  ASSERT_TRUE(file);
  const std::vector<std::vector<uint8_t>> video = Video(expected);
  EXPECT_EQ(file->Chunks("00db"), video);
  EXPECT_EQ(file->U32(48), video.size());
  EXPECT_EQ(file->Joined("01wb"), DecodedVoice(expected, 2));
  // 96x64 at 5 fps, 8 kHz mono 16-bit PCM.
  EXPECT_EQ(file->U32(64), 96u);
  EXPECT_EQ(file->U32(68), 64u);
  EXPECT_EQ(file->U32(132), 5000000u);
  EXPECT_EQ(file->U16(298), 1u);
  EXPECT_EQ(file->U32(300), 8000u);
  EXPECT_EQ(file->U16(310), 16u);
  // Every chunk indexed where it lies, key frames flagged.
  ASSERT_EQ(file->index.size(), file->chunks.size());
  for (size_t i = 0; i < file->chunks.size(); ++i) {
    EXPECT_EQ(file->index[i].offset, file->chunks[i].offset);
    EXPECT_EQ(file->index[i].length, file->chunks[i].data.size());
  }
  // Chunks lie in the recording's order of video and voice.
  std::vector<std::string> order;
  for (const SourceFrame& frame : expected)
    order.push_back(frame.kind == FRAME_AUDIO ? "01wb" : "00db");
  std::vector<std::string> written;
  for (const auto& entry : file->index) written.push_back(entry.id);
  EXPECT_EQ(written, order);
  size_t video_index = 0;
  for (const SourceFrame& frame : expected) {
    if (frame.kind == FRAME_AUDIO) continue;
    while (file->index[video_index].id != "00db") ++video_index;
    EXPECT_EQ(file->index[video_index++].flags, frame.kind == FRAME_VIDEO_KEY ? 0x10u : 0u);
  }
}

// G.726 voice is decoded beside the copying of the video: the samples are
// still those of the frames decoded in order, and the chunks keep the
// recording's order, in a reader with the smallest pool as well.
TEST(ConvertFileNvrVoiceTest, G726VoiceKeepsItsSamplesAndPlace) {
  const std::string recording = testing::Recording(
      "--size 96x64 --fps 25 --keyint 25 --duration 20 --audio g726-24 "
      "--start '2026-05-01 09:00:00' --seed 5");
  ASSERT_FALSE(recording.empty());
  const std::vector<SourceFrame> expected = FramesOfRange(recording, 0, 18000);
  ASSERT_FALSE(expected.empty());
  std::vector<std::string> order;
  for (const SourceFrame& frame : expected)
    order.push_back(frame.kind == FRAME_AUDIO ? "01wb" : "00db");
  for (const size_t pool_frames : {kPoolFrameCount, size_t{48}}) {
    const std::string output = WorkPath("g726-" + std::to_string(pool_frames) + ".avi");
    CConvertFileNvr conversion(recording, output, [pool_frames](const std::string&) {
      return std::make_unique<CFileNvr>(SourceKind::kHostFile, pool_frames);
    });
    ASSERT_EQ(conversion.Convert(Packed(9, 0, 0), Packed(9, 0, 18)), 0);
    const std::optional<AviFile> file = ReadAvi(output);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Chunks("00db"), Video(expected)) << pool_frames;
    EXPECT_EQ(file->Joined("01wb"), DecodedVoice(expected, 1)) << pool_frames;
    std::vector<std::string> written;
    for (const auto& entry : file->index) written.push_back(entry.id);
    EXPECT_EQ(written, order) << pool_frames;
  }
}

TEST_F(ConvertFileNvrTest, StartBeforeTheRecordingConvertsFromItsStart) {
  const std::string output = WorkPath("early.avi");
  ASSERT_EQ(Conversion(output)->Convert(Packed(9, 0, 0), Packed(10, 13, 0)), 0);
  ExpectReports(TakeReports(), true);
  const std::optional<AviFile> file = ReadAvi(output);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Chunks("00db"), Video(FramesOfRange(recording_, 0, 30000)));
}

TEST_F(ConvertFileNvrTest, StartAfterTheRecordingMakesNoFileAndNoReport) {
  const std::string output = WorkPath("late.avi");
  EXPECT_EQ(Conversion(output)->Convert(Packed(11, 0, 0), Packed(11, 30, 0)), -1);
  EXPECT_TRUE(TakeReports().empty());
  EXPECT_FALSE(testing::FileExists(output));
}

TEST_F(ConvertFileNvrTest, UnreadableTimesMakeNoFileAndReportFailure) {
  const std::string output = WorkPath("unreadable.avi");
  EXPECT_EQ(Conversion(output)->Convert(Packed(10, 15, 0), Packed(255, 255, 255)), -1);
  EXPECT_EQ(Conversion(output)->Convert(Packed(255, 255, 255), Packed(255, 255, 255)), -1);
  const std::vector<Report> taken = TakeReports();
  ASSERT_EQ(taken.size(), 2u);
  for (const Report& report : taken) EXPECT_EQ(report.done, -1);
  EXPECT_FALSE(testing::FileExists(output));
}

TEST_F(ConvertFileNvrTest, RangeWithinOneKeyFrameIntervalMakesNoFile) {
  const std::string output = WorkPath("one-interval.avi");
  // 10:15:00 is a key frame (150 s in); the next comes at 10:15:02.
  EXPECT_EQ(Conversion(output)->Convert(Packed(10, 15, 0), Packed(10, 15, 1)), -1);
  EXPECT_TRUE(TakeReports().empty());
  EXPECT_FALSE(testing::FileExists(output));
}

TEST_F(ConvertFileNvrTest, MissingSourceMakesNoFileAndNoReport) {
  const std::string output = WorkPath("missing.avi");
  CConvertFileNvr conversion(WorkPath("nothing.strm"), output);
  conversion.SetCallback(7, Record);
  EXPECT_EQ(conversion.Convert(Packed(10, 15, 0), Packed(10, 20, 0)), -1);
  EXPECT_TRUE(TakeReports().empty());
  EXPECT_FALSE(testing::FileExists(output));
}

TEST_F(ConvertFileNvrTest, DestinationThatCannotBeMadeReportsFailure) {
  const std::string output = WorkPath("no-folder") + "/out.avi";
  EXPECT_EQ(Conversion(output)->Convert(Packed(10, 15, 0), Packed(10, 20, 0)), 0);
  const std::vector<Report> got = TakeReports();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].done, -1);
  EXPECT_FALSE(testing::FileExists(output));
}

// An output that names the stream file read, however it is spelled, is
// refused before anything is opened: a report (-1, 0), the source
// unchanged. The tool refuses it too, and a disk image given as the output
// of a conversion from that image.
TEST_F(ConvertFileNvrTest, OutputThatIsItsSourceIsRefused) {
  const std::string folder = WorkPath("own-source-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder + "/sub");
  const std::string source = folder + "/rec.strm";
  std::filesystem::copy_file(recording_, source);
  std::filesystem::create_symlink(source, folder + "/link.avi");
  std::filesystem::create_hard_link(source, folder + "/hard.avi");
  const std::vector<uint8_t> bytes = testing::ReadBytes(source);
  for (const std::string& output :
       {source, folder + "/sub/../rec.strm", folder + "/link.avi", folder + "/hard.avi"}) {
    SCOPED_TRACE(output);
    CConvertFileNvr conversion(source, output);
    conversion.SetCallback(7, Record);
    EXPECT_EQ(conversion.Convert(Packed(10, 15, 0), Packed(10, 20, 0)), -1);
    const std::vector<Report> got = TakeReports();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].done, -1);
    EXPECT_TRUE(testing::ReadBytes(source) == bytes);
  }

  const std::string tool = std::string("'") + EXPORT_TEST_TOOL + "' ";
  int status = 0;
  std::string said = testing::Shell(tool + "convert '" + source +
                                        "' --from 10:15:00 --to 10:16:00 -o '" + folder +
                                        "/link.avi' 2>&1",
                                    &status);
  EXPECT_EQ(status, 1) << said;
  EXPECT_NE(said.find("which the conversion reads"), std::string::npos) << said;
  EXPECT_TRUE(testing::ReadBytes(source) == bytes);
  const std::string image = folder + "/disk.img";
  testing::Shell(tool + "mkdisk '" + image + "' --disk-number 1 --segment channel=0,type=0,file='" +
                     source + "' 2>&1",
                 &status);
  ASSERT_EQ(status, 0);
  const std::vector<uint8_t> image_bytes = testing::ReadBytes(image);
  said = testing::Shell(tool + "convert '1\\0\\0' --disk '" + image +
                            "' --from 10:15:00 --to 10:16:00 -o '" + image + "' 2>&1",
                        &status);
  EXPECT_EQ(status, 1) << said;
  EXPECT_NE(said.find("which the conversion reads"), std::string::npos) << said;
  EXPECT_TRUE(testing::ReadBytes(image) == image_bytes);
  std::filesystem::remove_all(folder);
}

// Reads the first frames of the range, then fails as a disk gone bad does.
class FailingReader : public CFileNvr {
 public:
  explicit FailingReader(int reads) : CFileNvr(SourceKind::kHostFile), reads_left_(reads) {}
  int ReadFrame(RecFrame** frame, RecFrame** info) override {
    if (reads_left_-- <= 0) return 1;
    return CFileNvr::ReadFrame(frame, info);
  }

 private:
  int reads_left_;
};

TEST_F(ConvertFileNvrTest, ReadFailureMidRangeLeavesAReadableFile) {
  const std::string output = WorkPath("read-failure.avi");
  static constexpr int kReads = 100;
  CConvertFileNvr conversion(recording_, output,
                             [](const std::string&) -> std::unique_ptr<CRecFile> {
                               return std::make_unique<FailingReader>(kReads);
                             });
  conversion.SetCallback(7, Record);
  EXPECT_EQ(conversion.Convert(Packed(10, 15, 0), Packed(10, 20, 0)), 0);
  ExpectReports(TakeReports(), false);

  std::vector<SourceFrame> read = FramesOfRange(recording_, 150000, 340000);
  read.resize(kReads);
  const std::optional<AviFile> file = ReadAvi(output);
  ASSERT_TRUE(file);
  const std::vector<std::vector<uint8_t>> video = Video(read);
  EXPECT_EQ(file->Chunks("00db"), video);
  EXPECT_EQ(file->Joined("01wb"), DecodedVoice(read, 2));
  EXPECT_EQ(file->index.size(), file->chunks.size());

  // FFmpeg reads it without a complaint, every packet.
  int status = -1;
  const std::string probe = testing::Shell(
      "ffprobe -v warning -count_packets -show_entries stream=codec_type,nb_read_packets "
      "-of csv=p=0 '" +
          output + "' 2>&1",
      &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(probe, "video," + std::to_string(video.size()) + "\naudio," +
                       std::to_string(file->Chunks("01wb").size()) + "\n");
}

TEST_F(ConvertFileNvrTest, DestroyingWaitsForTheWorker) {
  const std::string output = WorkPath("destroyed.avi");
  std::unique_ptr<CConvertFileNvr> conversion = Conversion(output);
  EXPECT_FALSE(conversion->OnWorkerThread());
  ASSERT_EQ(conversion->StartConversion(Packed(10, 15, 0), Packed(10, 20, 0)), 0);
  conversion.reset();
  // Destroyed only after the whole range was written and reported.
  ExpectReports(TakeReports(), true);
  const std::optional<AviFile> file = ReadAvi(output);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Chunks("00db"), Video(FramesOfRange(recording_, 150000, 340000)));
}

TEST_F(ConvertFileNvrTest, OneConversionPerObject) {
  const std::string output = WorkPath("once.avi");
  std::unique_ptr<CConvertFileNvr> conversion = Conversion(output);
  ASSERT_EQ(conversion->StartConversion(Packed(10, 17, 0), Packed(10, 20, 0)), 0);
  // Not started again, and the range stays.
  EXPECT_EQ(conversion->StartConversion(Packed(10, 12, 0), Packed(10, 20, 0)), 0);
  conversion->Finish();
  EXPECT_EQ(conversion->exit_code(), 0u);
  EXPECT_EQ(conversion->StartConversion(Packed(10, 12, 0), Packed(10, 20, 0)), -1);
  const std::vector<Report> got = TakeReports();
  ExpectReports(got, true);
  size_t finals = 0;
  for (const Report& report : got) finals += report.done == report.total;
  EXPECT_EQ(finals, 1u);
  const std::optional<AviFile> file = ReadAvi(output);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Chunks("00db"), Video(FramesOfRange(recording_, 270000, 340000)));
}

TEST_F(ConvertFileNvrTest, FailedRunEndsWithItsExitCode) {
  const std::unique_ptr<CConvertFileNvr> conversion = Conversion(WorkPath("exit.avi"));
  ASSERT_EQ(conversion->StartConversion(Packed(11, 0, 0), Packed(11, 1, 0)), 0);
  conversion->Finish();
  EXPECT_EQ(conversion->exit_code(), CConvertFileNvr::kRunFailed);
}

}  // namespace
}  // namespace brisca
