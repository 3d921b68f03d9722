#include "brisca/export/avi_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/export/export_test_support.h"

namespace brisca {
namespace {

using testing::AviFile;
using testing::ReadAvi;
using testing::WorkPath;

std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

std::unique_ptr<CAviWriter> OpenFile(const std::string& path) {
  int error = -1;
  std::unique_ptr<CAviWriter> avi = CAviWriter::Open(path.c_str(), &error);
  EXPECT_EQ(error, AVI_ERR_NONE);
  return avi;
}

// Runs `body` in a child process whose files may not grow beyond `limit`
// bytes (a write past it fails instead of raising SIGXFSZ); its result is
// the child's exit code.
int WithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit cap{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &cap) != 0) _exit(100);
    _exit(body());
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(AviWriterTest, HeaderCarriesVideoAndPcmTrackValues) {
  const std::string path = WorkPath("values.avi");
  {
    std::unique_ptr<CAviWriter> avi = OpenFile(path);
    ASSERT_TRUE(avi);
    ASSERT_EQ(avi->SetVideo(320, 180, 25.0, "h264"), 0);
    ASSERT_EQ(avi->SetAudio(1, 8000, 16, 1, 128), 0);
    // Exactly 1,001 bytes on the heap: the odd chunk's pad must not be read
    // from past them (the sanitizer build would catch it).
    const std::vector<uint8_t> key = Pattern(1001, 1);
    const std::vector<uint8_t> pcm = Pattern(640, 2);
    const std::vector<uint8_t> predicted = Pattern(10, 3);
    ASSERT_EQ(avi->WriteVideoFrame(key.data(), 1001, true), 0);
    ASSERT_EQ(avi->WriteAudio(pcm.data(), 640), 0);
    ASSERT_EQ(avi->WriteVideoFrame(predicted.data(), 10, false), 0);
    ASSERT_EQ(avi->Close(), 0);
  }
  const std::optional<AviFile> file = ReadAvi(path);
  ASSERT_TRUE(file);
  const AviFile& f = *file;
  EXPECT_EQ(f.Tag(0), "RIFF");
  EXPECT_EQ(f.U32(4), f.bytes.size() - 8);
  EXPECT_EQ(f.Tag(8), "AVI ");
  EXPECT_EQ(f.Tag(12), "LIST");
  EXPECT_EQ(f.U32(16), 292u);  // 192 + 100 x 1 track
  EXPECT_EQ(f.Tag(20), "hdrl");
  // Main header.
  EXPECT_EQ(f.Tag(24), "avih");
  EXPECT_EQ(f.U32(28), 56u);
  EXPECT_EQ(f.U32(32), 40000u);  // microseconds per frame at 25 fps
  EXPECT_EQ(f.U32(44), 0x110u);  // has index, interleaved
  EXPECT_EQ(f.U32(48), 2u);      // video frames
  EXPECT_EQ(f.U32(56), 2u);      // streams
  EXPECT_EQ(f.U32(64), 320u);
  EXPECT_EQ(f.U32(68), 180u);
  // Video stream.
  EXPECT_EQ(f.Tag(88), "LIST");
  EXPECT_EQ(f.U32(92), 116u);
  EXPECT_EQ(f.Tag(100), "strh");
  EXPECT_EQ(f.Tag(108), "vids");
  EXPECT_EQ(f.Tag(112), "h264");
  EXPECT_EQ(f.U32(128), 1000000u);   // scale
  EXPECT_EQ(f.U32(132), 25000000u);  // rate
  EXPECT_EQ(f.U32(140), 2u);         // length
  EXPECT_EQ(f.U32(148), 0xFFFFFFFFu);
  EXPECT_EQ(f.Tag(164), "strf");
  EXPECT_EQ(f.U32(172), 40u);
  EXPECT_EQ(f.U32(176), 320u);
  EXPECT_EQ(f.U32(180), 180u);
  EXPECT_EQ(f.U16(184), 1u);
  EXPECT_EQ(f.U16(186), 24u);
  EXPECT_EQ(f.Tag(188), "h264");
  EXPECT_EQ(f.U32(192), 320u * 180u * 3u);
  // Audio stream: 8 kHz mono 16-bit at 128 kbit/s has S = 4.
  EXPECT_EQ(f.Tag(212), "LIST");
  EXPECT_EQ(f.U32(216), 92u);
  EXPECT_EQ(f.Tag(232), "auds");
  EXPECT_EQ(f.U32(252), 1u);      // scale
  EXPECT_EQ(f.U32(256), 16000u);  // rate
  EXPECT_EQ(f.U32(264), 640u);    // length: 4 x bytes / S
  EXPECT_EQ(f.U32(276), 1u);      // sample size
  EXPECT_EQ(f.Tag(288), "strf");
  EXPECT_EQ(f.U32(292), 16u);
  EXPECT_EQ(f.U16(296), 1u);  // PCM
  EXPECT_EQ(f.U16(298), 1u);
  EXPECT_EQ(f.U32(300), 8000u);
  EXPECT_EQ(f.U32(304), 16000u);
  EXPECT_EQ(f.U16(308), 1u);  // block alignment S / 4, not 2
  EXPECT_EQ(f.U16(310), 16u);
  // INFO, then JUNK up to the movie list.
  EXPECT_EQ(f.Tag(312), "LIST");
  EXPECT_EQ(f.U32(316), 76u);
  EXPECT_EQ(f.Tag(320), "INFO");
  EXPECT_EQ(f.Tag(324), "ISFT");
  EXPECT_EQ(f.U32(328), 64u);
  EXPECT_EQ(f.Tag(396), "JUNK");
  EXPECT_EQ(f.U32(400), 1632u);
  EXPECT_EQ(f.Tag(2036), "LIST");
  EXPECT_EQ(f.Tag(2044), "movi");

  // Chunks: the 1,001-byte frame takes 1,010 bytes, its pad byte zero.
  ASSERT_EQ(f.chunks.size(), 3u);
  EXPECT_EQ(f.chunks[0].id, "00db");
  EXPECT_EQ(f.chunks[0].offset, 2048u);
  EXPECT_EQ(f.chunks[0].data, Pattern(1001, 1));
  EXPECT_EQ(f.chunks[0].pad, 0);
  EXPECT_EQ(f.chunks[1].id, "01wb");
  EXPECT_EQ(f.chunks[1].offset, 2048u + 1010u);
  EXPECT_EQ(f.chunks[2].offset, 2048u + 1010u + 648u);
  EXPECT_EQ(f.U32(2040), 1010u + 648u + 18u + 4u);  // movie list: "movi" and the chunks

  ASSERT_TRUE(f.has_index);
  ASSERT_EQ(f.index.size(), 3u);
  EXPECT_EQ(f.index[0].id, "00db");
  EXPECT_EQ(f.index[0].flags, 0x10u);
  EXPECT_EQ(f.index[0].offset, 2048u);
  EXPECT_EQ(f.index[0].length, 1001u);
  EXPECT_EQ(f.index[1].flags, 0u);
  EXPECT_EQ(f.index[1].length, 640u);
  EXPECT_EQ(f.index[2].flags, 0u);
  EXPECT_EQ(f.bytes.size(), 2048u + 1010u + 648u + 18u + 8u + 3u * 16u);
}

TEST(AviWriterTest, ProvisionalHeaderWhileWriting) {
  const std::string path = WorkPath("provisional.avi");
  std::unique_ptr<CAviWriter> avi = OpenFile(path);
  ASSERT_TRUE(avi);
  ASSERT_EQ(avi->SetVideo(704, 576, 25.0, "h264"), 0);
  ASSERT_EQ(avi->SetAudio(1, 8000, 16, 1, 128), 0);
  const std::vector<uint8_t> frame = Pattern(100, 4);
  ASSERT_EQ(avi->WriteVideoFrame(frame.data(), 100, true), 0);
  // The movie list's size is a placeholder yet (and the chunk still
  // gathered): only the header is read.
  std::optional<AviFile> file = AviFile{};
  file->bytes = testing::ReadBytes(path);
  ASSERT_GE(file->bytes.size(), 2048u);
  EXPECT_EQ(file->U32(4), 0xFEFFF003u);
  EXPECT_EQ(file->U32(48), 0u);       // frames
  EXPECT_EQ(file->U32(140), 0u);      // video length
  EXPECT_EQ(file->Tag(312), "JUNK");  // no INFO list yet
  EXPECT_EQ(file->U32(316), 2028u - 312u);
  EXPECT_EQ(file->U32(2040), 0xFEFFF003u);
  EXPECT_EQ(avi->Close(), 0);
}

TEST(AviWriterTest, CompressorCodes) {
  const std::string path = WorkPath("compressor.avi");
  for (const auto& [text, code] :
       {std::pair<const char*, std::string>{"RGB24", std::string(4, '\0')},
        {"h264", "h264"},
        {"xy", std::string("xy\0\0", 4)},
        {"H264-long", "H264"}}) {
    std::unique_ptr<CAviWriter> avi = OpenFile(path);
    ASSERT_TRUE(avi);
    ASSERT_EQ(avi->SetVideo(16, 16, 30000.0 / 1001, text), 0);
    ASSERT_EQ(avi->Close(), 0);
    const std::optional<AviFile> file = ReadAvi(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Tag(112), code) << text;
    EXPECT_EQ(file->Tag(188), code) << text;
    EXPECT_EQ(file->U32(16), 192u);    // no audio track
    EXPECT_EQ(file->U32(32), 33367u);  // 1,000,000 / 29.97 + 0.5
    EXPECT_EQ(file->U32(132), 29970030u);
  }
}

TEST(AviWriterTest, FrameRatesOutOfRangeGiveLimits) {
  struct Case {
    double fps;
    uint32_t microseconds;
    uint32_t rate;
  };
  const std::string path = WorkPath("rates.avi");
  for (const Case& c :
       {Case{0.5, 2000000, 500000}, Case{0.0009, 0, 900}, Case{0.0, 0, 0}, Case{-5.0, 0, 0},
        Case{1e12, 0, 0xFFFFFFFFu}, Case{std::numeric_limits<double>::quiet_NaN(), 0, 0}}) {
    std::unique_ptr<CAviWriter> avi = OpenFile(path);
    ASSERT_TRUE(avi);
    ASSERT_EQ(avi->SetVideo(16, 16, c.fps, "h264"), 0);
    ASSERT_EQ(avi->Close(), 0);
    const std::optional<AviFile> file = ReadAvi(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->U32(32), c.microseconds) << c.fps;
    EXPECT_EQ(file->U32(132), c.rate) << c.fps;
  }
}

TEST(AviWriterTest, NinthAudioTrackIsRefused) {
  const std::string path = WorkPath("tracks.avi");
  std::unique_ptr<CAviWriter> avi = OpenFile(path);
  ASSERT_TRUE(avi);
  ASSERT_EQ(avi->SetVideo(16, 16, 25.0, "h264"), 0);
  for (int track = 0; track < kAviMaxAudioTracks; ++track)
    ASSERT_EQ(avi->SetAudio(1, 8000, 16, 1, 128), 0);
  EXPECT_EQ(avi->SetAudio(2, 44100, 16, 1, 1411), -1);
  EXPECT_EQ(avi->error(), AVI_ERR_NOT_PERMITTED);
  const std::vector<uint8_t> pcm = Pattern(20, 5);
  ASSERT_EQ(avi->WriteAudio(pcm.data(), 20), 0);  // to the eighth track
  ASSERT_EQ(avi->Close(), 0);
  const std::optional<AviFile> file = ReadAvi(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->U32(16), 192u + 800u);
  EXPECT_EQ(file->U32(56), 9u);
  EXPECT_EQ(file->Tag(212 + 800), "LIST");
  EXPECT_EQ(file->Tag(212 + 800 + 8), "INFO");
  EXPECT_EQ(file->U32(1096 + 4), 1944u - 1012u);  // JUNK
  ASSERT_EQ(file->chunks.size(), 1u);
  EXPECT_EQ(file->chunks[0].id, "08wb");
}

TEST(AviWriterTest, ChunkThatWouldPassTheSizeLimitIsRefused) {
  const std::string path = WorkPath("limit.avi");
  std::unique_ptr<CAviWriter> avi = OpenFile(path);
  ASSERT_TRUE(avi);
  ASSERT_EQ(avi->SetVideo(16, 16, 25.0, "h264"), 0);
  // Refused before a byte is read, so a short buffer serves.
  const uint8_t byte = 0;
  const uint32_t too_long = static_cast<uint32_t>(kAviFileLimit - 2048 - 32 + 1);
  EXPECT_EQ(avi->WriteVideoFrame(&byte, too_long, true), -1);
  EXPECT_EQ(avi->error(), AVI_ERR_SIZE_LIMIT);
  ASSERT_EQ(avi->Close(), 0);
  const std::optional<AviFile> file = ReadAvi(path);
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->chunks.empty());
  EXPECT_TRUE(file->index.empty());
  EXPECT_EQ(file->U32(48), 0u);
}

TEST(AviWriterTest, OperationsNeedAnOpenFileAndATrack) {
  const std::string path = WorkPath("closed.avi");
  std::unique_ptr<CAviWriter> avi = OpenFile(path);
  ASSERT_TRUE(avi);
  const uint8_t byte = 1;
  EXPECT_EQ(avi->WriteAudio(&byte, 1), -1);
  EXPECT_EQ(avi->error(), AVI_ERR_NOT_PERMITTED);
  ASSERT_EQ(avi->Close(), 0);
  EXPECT_EQ(avi->WriteVideoFrame(&byte, 1, true), -1);
  EXPECT_EQ(avi->error(), AVI_ERR_NOT_PERMITTED);
  EXPECT_EQ(avi->Close(), -1);
}

TEST(AviWriterTest, OpenFailures) {
  int error = 0;
  EXPECT_FALSE(CAviWriter::Open((WorkPath("none") + "/sub/out.avi").c_str(), &error));
  EXPECT_EQ(error, AVI_ERR_OPEN);
  EXPECT_FALSE(CAviWriter::Open(nullptr, &error));
  EXPECT_EQ(error, AVI_ERR_OPEN);

  // The header area does not fit: a file made here is removed again, a file
  // that was there stays (emptied).
  const std::string made = WorkPath("no-room-new.avi");
  EXPECT_EQ(WithFileSizeLimit(1000,
                              [&] {
                                int code = 0;
                                return CAviWriter::Open(made.c_str(), &code) ? 99 : code;
                              }),
            AVI_ERR_WRITE);
  EXPECT_FALSE(testing::FileExists(made));
  const std::string existing = WorkPath("no-room-old.avi");
  std::ofstream(existing) << "already here";
  EXPECT_EQ(WithFileSizeLimit(1000,
                              [&] {
                                int code = 0;
                                return CAviWriter::Open(existing.c_str(), &code) ? 99 : code;
                              }),
            AVI_ERR_WRITE);
  EXPECT_TRUE(testing::FileExists(existing));
}

TEST(AviWriterTest, ChunkLargerThanTheBufferGoesByItself) {
  const std::string path = WorkPath("large.avi");
  const std::vector<uint8_t> small = Pattern(999, 10);
  const std::vector<uint8_t> large = Pattern(1500001, 11);
  {
    std::unique_ptr<CAviWriter> avi = OpenFile(path);
    ASSERT_TRUE(avi);
    ASSERT_EQ(avi->SetVideo(16, 16, 25.0, "h264"), 0);
    ASSERT_EQ(avi->WriteVideoFrame(small.data(), 999, true), 0);
    ASSERT_EQ(avi->WriteVideoFrame(large.data(), 1500001, false), 0);
    ASSERT_EQ(avi->WriteVideoFrame(small.data(), 999, false), 0);
    ASSERT_EQ(avi->Close(), 0);
  }
  const std::optional<AviFile> file = ReadAvi(path);
  ASSERT_TRUE(file);
  ASSERT_EQ(file->chunks.size(), 3u);
  EXPECT_EQ(file->chunks[1].offset, 2048u + 1008u);
  EXPECT_EQ(file->chunks[1].data, large);
  EXPECT_EQ(file->chunks[1].pad, 0);
  EXPECT_EQ(file->chunks[2].offset, 2048u + 1008u + 1500010u);
  EXPECT_EQ(file->chunks[2].data, small);
  ASSERT_EQ(file->index.size(), 3u);
  EXPECT_EQ(file->index[2].offset, 2048u + 1008u + 1500010u);
}

TEST(AviWriterTest, FailedWriteDropsTheChunksNotYetInTheFile) {
  const std::string path = WorkPath("short-write.avi");
  constexpr uint32_t kChunk = 600000;
  // Room for the header, one 600,000-byte chunk and a little more: the
  // second chunk goes to the file when the third arrives, and fails.
  const int result = WithFileSizeLimit(2048 + kChunk + 8 + 300000, [&] {
    std::unique_ptr<CAviWriter> avi = CAviWriter::Open(path.c_str(), nullptr);
    if (!avi || avi->SetVideo(16, 16, 25.0, "h264") != 0) return 1;
    const std::vector<uint8_t> first = Pattern(kChunk, 6);
    const std::vector<uint8_t> second = Pattern(kChunk, 7);
    const std::vector<uint8_t> small = Pattern(1000, 8);
    if (avi->WriteVideoFrame(first.data(), kChunk, true) != 0) return 2;
    if (avi->WriteVideoFrame(second.data(), kChunk, false) != 0) return 3;
    if (avi->WriteVideoFrame(second.data(), kChunk, false) != -1) return 4;
    if (avi->error() != AVI_ERR_WRITE) return 5;
    if (avi->WriteVideoFrame(small.data(), 1000, false) != 0) return 6;
    return avi->Close() == 0 ? 0 : 7;
  });
  ASSERT_EQ(result, 0);
  const std::optional<AviFile> file = ReadAvi(path);
  ASSERT_TRUE(file);
  ASSERT_EQ(file->chunks.size(), 2u);
  EXPECT_EQ(file->chunks[0].data, Pattern(kChunk, 6));
  EXPECT_EQ(file->chunks[1].offset, 2048u + kChunk + 8u);
  EXPECT_EQ(file->chunks[1].data, Pattern(1000, 8));
  ASSERT_EQ(file->index.size(), 2u);
  EXPECT_EQ(file->index[1].offset, 2048u + kChunk + 8u);
  EXPECT_EQ(file->U32(48), 2u);
  EXPECT_EQ(file->bytes.size(), 2048u + kChunk + 8u + 1008u + 8u + 32u);
}

TEST(AviWriterTest, MissingIndexIsReportedAndMarked) {
  const std::string path = WorkPath("no-index.avi");
  // The chunks fit, idx1 does not.
  const int result = WithFileSizeLimit(2048 + 3008 + 20, [&] {
    std::unique_ptr<CAviWriter> avi = CAviWriter::Open(path.c_str(), nullptr);
    if (!avi || avi->SetVideo(16, 16, 25.0, "h264") != 0) return 1;
    const std::vector<uint8_t> frame = Pattern(3000, 9);
    if (avi->WriteVideoFrame(frame.data(), 3000, true) != 0) return 2;
    if (avi->Close() != -1) return 3;
    return avi->error() == AVI_ERR_WRITE_INDEX ? 0 : 4;
  });
  ASSERT_EQ(result, 0);
  const std::optional<AviFile> file = ReadAvi(path);
  ASSERT_TRUE(file);
  EXPECT_FALSE(file->has_index);
  EXPECT_EQ(file->U32(44), 0x100u);
  ASSERT_EQ(file->chunks.size(), 1u);
  EXPECT_EQ(file->bytes.size(), 2048u + 3008u);  // cut after the last chunk
  EXPECT_EQ(file->U32(4), 2048u + 3008u - 8u);
}

TEST(AviWriterTest, ErrorTexts) {
  EXPECT_STREQ(AviErrorText(AVI_ERR_NONE), "avilib - No Error");
  EXPECT_STREQ(AviErrorText(AVI_ERR_WRITE_INDEX),
               "avilib - Error writing index (file may still be useable)");
  EXPECT_STREQ(AviErrorText(AVI_ERR_UNKNOWN), "avilib - Unkown Error");
  EXPECT_STREQ(AviErrorText(15), "avilib - Unkown Error");
  EXPECT_STREQ(AviErrorText(-1), "avilib - Unkown Error");
}

}  // namespace
}  // namespace brisca
