#include "brisca/export/avi_header.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace brisca {
namespace {

constexpr uint32_t kFlagHasIndex = 0x10;
constexpr uint32_t kFlagInterleaved = 0x100;
constexpr uint32_t kMainHeaderSize = 56;
constexpr uint32_t kStreamHeaderSize = 56;
constexpr uint32_t kBitmapInfoSize = 40;
constexpr uint32_t kWaveFormatSize = 16;
// Bytes of the header list after "hdrl" for the video stream alone, and for
// each audio stream list.
constexpr uint32_t kVideoListBytes = 192;
constexpr uint32_t kAudioListBytes = 100;
constexpr uint32_t kInfoListBytes = 84;  // "LIST", size, "INFO", "ISFT", 64, 64 bytes
constexpr uint32_t kSoftwareTextBytes = 64;
constexpr uint32_t kHeaderListStart = 20;  // where "hdrl" starts
constexpr uint32_t kMovieListAt = kAviHeaderBytes - 12;
constexpr uint32_t kMovieTagAt = kAviHeaderBytes - 4;

// The whole header with eight tracks takes 1,104 bytes of the 2,036 before
// the movie list, so the cursor below never runs out of room.
static_assert(kHeaderListStart + kVideoListBytes + kAviMaxAudioTracks * kAudioListBytes +
                  kInfoListBytes + 8 <=
              kMovieListAt);

// Values the format stores as 32-bit counts, computed in double precision:
// truncated, with anything outside the range (or not a number) held at the
// nearest limit, so a hostile frame rate cannot make the conversion undefined.
uint32_t SaturatedU32(double value) {
  if (!(value > 0)) return 0;
  if (value >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(value);
}

static_assert(std::endian::native == std::endian::little,
              "AVI fields are copied as they lie in memory");

class HeaderBytes {
 public:
  void Tag(const char (&four)[5]) {
    std::memcpy(bytes_.data() + at_, four, 4);
    at_ += 4;
  }
  void U32(uint32_t value) {
    std::memcpy(bytes_.data() + at_, &value, 4);
    at_ += 4;
  }
  void U16(uint16_t value) {
    std::memcpy(bytes_.data() + at_, &value, 2);
    at_ += 2;
  }
  void Zeros(uint32_t count) { at_ += count; }  // the array starts zeroed
  uint32_t at() const { return at_; }
  void MoveTo(uint32_t at) { at_ = at; }
  std::array<uint8_t, kAviHeaderBytes>& bytes() { return bytes_; }

 private:
  std::array<uint8_t, kAviHeaderBytes> bytes_{};
  uint32_t at_ = 0;
};

void WriteVideoList(HeaderBytes& out, const AviStreams& s, uint32_t frames) {
  out.Tag("LIST");
  out.U32(4 + 8 + kStreamHeaderSize + 8 + kBitmapInfoSize);  // 116
  out.Tag("strl");
  out.Tag("strh");
  out.U32(kStreamHeaderSize);
  out.Tag("vids");
  out.U32(s.compressor);
  out.U32(0);  // flags
  out.U32(0);  // priority and language
  out.U32(0);  // initial frames
  out.U32(1000000);  // scale
  out.U32(SaturatedU32(s.fps * 1000000 + 0.5));  // rate
  out.U32(0);  // start
  out.U32(frames);
  out.U32(0);            // suggested buffer size
  out.U32(0xFFFFFFFFu);  // quality
  out.U32(0);            // sample size
  out.Zeros(8);          // frame rectangle
  out.Tag("strf");
  out.U32(kBitmapInfoSize);
  out.U32(kBitmapInfoSize);
  out.U32(static_cast<uint32_t>(s.width));
  out.U32(static_cast<uint32_t>(s.height));
  out.U16(1);   // planes
  out.U16(24);  // bits per pixel
  out.U32(s.compressor);
  out.U32(static_cast<uint32_t>(uint64_t{static_cast<uint32_t>(s.width)} *
                                static_cast<uint32_t>(s.height) * 3));
  out.Zeros(16);
}

void WriteAudioList(HeaderBytes& out, const AviAudioTrack& track) {
  const uint32_t sample_size = AviAudioSampleSize(track);
  const uint32_t bytes_per_second = static_cast<uint32_t>(uint64_t{track.bit_rate_kbps} * 1000 / 8);
  out.Tag("LIST");
  out.U32(4 + 8 + kStreamHeaderSize + 8 + kWaveFormatSize);  // 92
  out.Tag("strl");
  out.Tag("strh");
  out.U32(kStreamHeaderSize);
  out.Tag("auds");
  out.U32(0);  // handler
  out.U32(0);  // flags
  out.U32(0);  // priority and language
  out.U32(0);  // initial frames
  out.U32(sample_size / 4);  // scale
  out.U32(bytes_per_second);  // rate
  out.U32(0);  // start
  out.U32(static_cast<uint32_t>(4 * track.bytes / sample_size));  // length
  out.U32(0);            // suggested buffer size
  out.U32(0xFFFFFFFFu);  // quality
  out.U32(sample_size / 4);
  out.Zeros(8);  // frame rectangle
  out.Tag("strf");
  out.U32(kWaveFormatSize);
  out.U16(track.format_tag);
  out.U16(track.channels);
  out.U32(track.sample_rate);
  out.U32(bytes_per_second);
  out.U16(static_cast<uint16_t>(sample_size / 4));  // block alignment
  out.U16(track.bits_per_sample);
}

// Everything up to the end of the last stream list; the caller adds what
// follows. `frames` is 0 in the provisional header.
void WriteHeaderList(HeaderBytes& out, const AviStreams& s, uint32_t riff_size, uint32_t flags,
                     uint32_t frames) {
  const int tracks = std::clamp(s.audio_count, 0, kAviMaxAudioTracks);
  out.Tag("RIFF");
  out.U32(riff_size);
  out.Tag("AVI ");
  out.Tag("LIST");
  out.U32(kVideoListBytes + kAudioListBytes * static_cast<uint32_t>(tracks));
  out.Tag("hdrl");
  out.Tag("avih");
  out.U32(kMainHeaderSize);
  out.U32(!(s.fps >= 0.001) ? 0 : SaturatedU32(1000000 / s.fps + 0.5));  // microseconds per frame
  out.U32(0);  // maximum bytes per second
  out.U32(0);  // padding granularity
  out.U32(flags);
  out.U32(frames);
  out.U32(0);  // initial frames
  out.U32(static_cast<uint32_t>(tracks) + 1);
  out.U32(0);  // suggested buffer size
  out.U32(static_cast<uint32_t>(s.width));
  out.U32(static_cast<uint32_t>(s.height));
  out.Zeros(16);
  WriteVideoList(out, s, frames);
  for (int i = 0; i < tracks; ++i) WriteAudioList(out, s.audio[static_cast<size_t>(i)]);
}

// "JUNK" filling the room up to the movie list, then the movie list's head.
void WriteJunkAndMovieList(HeaderBytes& out, uint32_t movie_size) {
  const uint32_t junk = kMovieListAt - out.at() - 8;
  out.Tag("JUNK");
  out.U32(junk);
  out.MoveTo(kMovieListAt);
  out.Tag("LIST");
  out.U32(movie_size);
  out.Tag("movi");
}

}  // namespace

uint32_t AviAudioSampleSize(const AviAudioTrack& track) {
  const uint32_t bytes = (uint32_t{track.bits_per_sample} + 7) / 8;
  return std::max<uint32_t>(4, bytes * track.channels);
}

std::array<uint8_t, kAviHeaderBytes> BuildProvisionalAviHeader(const AviStreams& streams) {
  HeaderBytes out;
  WriteHeaderList(out, streams, kAviProvisionalSize, kFlagHasIndex | kFlagInterleaved, 0);
  WriteJunkAndMovieList(out, kAviProvisionalSize);
  return out.bytes();
}

std::array<uint8_t, kAviHeaderBytes> BuildFinalAviHeader(const AviStreams& streams,
                                                         uint64_t file_length, uint64_t movie_end,
                                                         bool has_index) {
  HeaderBytes out;
  const uint32_t flags = has_index ? kFlagHasIndex | kFlagInterleaved : kFlagInterleaved;
  WriteHeaderList(out, streams, static_cast<uint32_t>(file_length - 8), flags,
                  streams.video_frames);
  out.Tag("LIST");
  out.U32(kInfoListBytes - 8);  // 76
  out.Tag("INFO");
  out.Tag("ISFT");
  out.U32(kSoftwareTextBytes);
  out.Zeros(kSoftwareTextBytes);
  WriteJunkAndMovieList(out, static_cast<uint32_t>(movie_end - kMovieTagAt));
  return out.bytes();
}

}  // namespace brisca
