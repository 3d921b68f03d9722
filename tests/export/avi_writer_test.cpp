#include "brisca/export/avi_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "brisca/base/file_write.h"
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

// The chunks of the write-failure cases: 15 video frames of 199,999 bytes
// (a key frame every fifth), each followed by 640 bytes of audio. A pair
// takes 200,656 bytes, so five pairs fill the 1 MiB buffer: the writes of
// chunks go out at chunks 10 and 20 and at close.
struct Chunk {
  std::string id;
  std::vector<uint8_t> data;
  bool key = false;
};

std::vector<Chunk> FailureChunks() {
  std::vector<Chunk> chunks;
  for (uint8_t frame = 0; frame < 15; ++frame) {
    chunks.push_back({"00db", Pattern(199999, frame), frame % 5 == 0});
    chunks.push_back({"01wb", Pattern(640, static_cast<uint8_t>(100 + frame)), false});
  }
  return chunks;
}

constexpr uint64_t kPairBytes = 200008 + 648;

// The chunks a file holds from byte 2,048 up to idx1 or its end, whichever
// header it has; nullopt when they are not a run of whole chunks.
std::optional<std::vector<Chunk>> ChunksIn(const std::vector<uint8_t>& bytes) {
  std::vector<Chunk> chunks;
  AviFile file;
  file.bytes = bytes;
  uint64_t at = 2048;
  while (at + 8 <= bytes.size() && file.Tag(at) != "idx1") {
    const uint32_t length = file.U32(at + 4);
    if (at + 8 + length + length % 2 > bytes.size()) return std::nullopt;
    const auto data = bytes.begin() + static_cast<std::ptrdiff_t>(at + 8);
    chunks.push_back({file.Tag(at), std::vector<uint8_t>(data, data + length), false});
    at += 8 + length + length % 2;
  }
  return chunks;
}

TEST(AviWriterTest, WriteFailuresKeepEveryWholeChunkAndDescribeThem) {
  struct Case {
    const char* what;
    int nth_write;  // the write call that fails (calls 1-3 are the open and
                    // the two provisional headers), 0 for none
    int error;
    bool sticky;
    rlim_t size_limit;  // RLIM_INFINITY for none
    size_t kept;        // chunks in the file afterwards
    bool has_index;
    int close_error;  // AVI_ERR_NONE when Close returns 0
    bool final_header;
  };
  const std::vector<Case> cases = {
      {"first write of chunks", 4, ENOSPC, false, RLIM_INFINITY, 0, true, AVI_ERR_NONE, true},
      {"second buffer", 5, EFBIG, false, RLIM_INFINITY, 10, true, AVI_ERR_NONE, true},
      {"last chunks, at close", 6, ENOSPC, false, RLIM_INFINITY, 20, true, AVI_ERR_WRITE, true},
      {"the index", 7, ENOSPC, false, RLIM_INFINITY, 30, false, AVI_ERR_WRITE_INDEX, true},
      {"the final header", 8, EIO, false, RLIM_INFINITY, 30, true, AVI_ERR_CLOSE, false},
      {"full disk from the second buffer on", 5, ENOSPC, true, RLIM_INFINITY, 10, false,
       AVI_ERR_CLOSE, false},
      // Real partial writes: the limit cuts a buffer in the middle of a
      // chunk; the whole chunks before it stay, idx1 goes over the rest
      // when it fits below the limit.
      {"size limit in a buffer, room for idx1", 0, 0, false, 2048 + 7 * kPairBytes + 100000, 14,
       true, AVI_ERR_NONE, true},
      {"size limit in a buffer, no room for idx1", 0, 0, false, 2048 + 7 * kPairBytes + 100, 14,
       false, AVI_ERR_WRITE_INDEX, true},
      {"size limit at close", 0, 0, false, 2048 + 14 * kPairBytes + 200000, 28, true,
       AVI_ERR_WRITE, true},
  };
  const std::vector<Chunk> written = FailureChunks();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = WorkPath("write-failure.avi");
    // Like the conversion, the child stops at the first failed chunk; it
    // exits with Close's error code.
    const int close_error = WithFileSizeLimit(c.size_limit, [&] {
      InjectWriteFault(c.nth_write, c.error, c.sticky);
      std::unique_ptr<CAviWriter> avi = CAviWriter::Open(path.c_str(), nullptr);
      if (!avi || avi->SetVideo(16, 16, 25.0, "h264") != 0 || avi->SetAudio(1, 8000, 16, 1, 128) != 0)
        return 90;
      for (const Chunk& chunk : written) {
        const int result = chunk.id == "00db"
                               ? avi->WriteVideoFrame(chunk.data.data(),
                                                      static_cast<uint32_t>(chunk.data.size()), chunk.key)
                               : avi->WriteAudio(chunk.data.data(), static_cast<uint32_t>(chunk.data.size()));
        if (result != 0) {
          if (avi->error() != AVI_ERR_WRITE) return 91;
          break;
        }
      }
      return avi->Close() == 0 ? AVI_ERR_NONE : avi->error();
    });
    EXPECT_EQ(close_error, c.close_error);

    const std::vector<uint8_t> bytes = testing::ReadBytes(path);
    const std::optional<std::vector<Chunk>> chunks = ChunksIn(bytes);
    ASSERT_TRUE(chunks);
    ASSERT_EQ(chunks->size(), c.kept);
    uint64_t end = 2048;
    uint32_t frames = 0;
    uint32_t audio_bytes = 0;
    for (size_t i = 0; i < c.kept; ++i) {
      ASSERT_EQ((*chunks)[i].id, written[i].id) << i;
      ASSERT_EQ((*chunks)[i].data, written[i].data) << i;
      end += 8 + written[i].data.size() + written[i].data.size() % 2;
      if (written[i].id == "00db") {
        ++frames;
      } else {
        audio_bytes += static_cast<uint32_t>(written[i].data.size());
      }
    }
    if (!c.final_header) {
      // The provisional header stays; the file still ends after its last
      // whole chunk or its idx1.
      AviFile provisional;
      provisional.bytes = bytes;
      EXPECT_EQ(provisional.U32(4), kAviProvisionalSize);
      EXPECT_EQ(bytes.size(), end + (c.has_index ? 8 + 16 * c.kept : 0));
      continue;
    }
    const std::optional<AviFile> file = ReadAvi(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->chunks.size(), c.kept);  // the movie list ends after the last one
    EXPECT_EQ(file->U32(4), bytes.size() - 8);
    EXPECT_EQ(file->U32(44), c.has_index ? 0x110u : 0x100u);
    EXPECT_EQ(file->U32(48), frames);
    EXPECT_EQ(file->U32(140), frames);
    EXPECT_EQ(file->U32(264), audio_bytes);  // 4 x bytes / S, S = 4
    ASSERT_EQ(file->has_index, c.has_index);
    if (!c.has_index) {
      EXPECT_EQ(bytes.size(), end);
      continue;
    }
    EXPECT_EQ(bytes.size(), end + 8 + 16 * c.kept);
    ASSERT_EQ(file->index.size(), c.kept);
    for (size_t i = 0; i < c.kept; ++i) {
      EXPECT_EQ(file->index[i].id, written[i].id) << i;
      EXPECT_EQ(file->index[i].offset, file->chunks[i].offset) << i;
      EXPECT_EQ(file->index[i].length, written[i].data.size()) << i;
      EXPECT_EQ(file->index[i].flags, written[i].key ? 0x10u : 0u) << i;
    }
  }
}

TEST(AviWriterTest, WritingGoesOnAfterAFailedChunk) {
  // A transient failure drops what it must; later chunks follow the last
  // whole one.
  const std::string path = WorkPath("after-failure.avi");
  {
    InjectWriteFault(4, EIO, false);  // the large chunk, after the small one's
    std::unique_ptr<CAviWriter> avi = OpenFile(path);
    ASSERT_TRUE(avi);
    ASSERT_EQ(avi->SetVideo(16, 16, 25.0, "h264"), 0);
    const std::vector<uint8_t> small = Pattern(999, 10);
    const std::vector<uint8_t> large = Pattern(1500001, 11);
    ASSERT_EQ(avi->WriteVideoFrame(small.data(), 999, true), 0);
    EXPECT_EQ(avi->WriteVideoFrame(large.data(), 1500001, false), -1);
    EXPECT_EQ(avi->error(), AVI_ERR_WRITE);
    ASSERT_EQ(avi->WriteVideoFrame(small.data(), 999, false), 0);
    EXPECT_EQ(avi->Close(), 0);
    InjectWriteFault(0, 0, false);
  }
  const std::optional<AviFile> file = ReadAvi(path);
  ASSERT_TRUE(file);
  ASSERT_EQ(file->chunks.size(), 2u);
  EXPECT_EQ(file->chunks[1].offset, 2048u + 1008u);
  EXPECT_EQ(file->chunks[1].data, Pattern(999, 10));
  ASSERT_EQ(file->index.size(), 2u);
  EXPECT_EQ(file->index[1].offset, 2048u + 1008u);
  EXPECT_EQ(file->U32(48), 2u);
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
