// The 2,048-byte header area at the start of the AVI files the writer makes:
// the RIFF header, the header list (main header, one video stream list, up
// to eight audio stream lists), padding, and the head of the movie list,
// whose chunks start at byte 2,048. All numbers little-endian.
#pragma once

#include <array>
#include <cstdint>

namespace brisca {

inline constexpr uint32_t kAviHeaderBytes = 2048;
inline constexpr int kAviMaxAudioTracks = 8;
// RIFF and movie list sizes of a file that is still being written.
inline constexpr uint32_t kAviProvisionalSize = 0xFEFFF003;

struct AviAudioTrack {
  uint16_t format_tag = 0;
  uint16_t channels = 0;
  uint32_t sample_rate = 0;  // Hz
  uint16_t bits_per_sample = 0;
  uint32_t bit_rate_kbps = 0;
  uint64_t bytes = 0;  // audio bytes written to the track so far
};

// What the header describes.
struct AviStreams {
  int32_t width = 0;
  int32_t height = 0;
  double fps = 0;           // frames per second
  uint32_t compressor = 0;  // four characters, the first in the low byte
  uint32_t video_frames = 0;
  int audio_count = 0;  // tracks in use, 0-8
  std::array<AviAudioTrack, kAviMaxAudioTracks> audio{};
};

// The audio sample size S of a track: max(4, bytes per sample x channels).
// Scale, sample size and block alignment are S / 4.
uint32_t AviAudioSampleSize(const AviAudioTrack& track);

// The header of a file still being written: RIFF and movie list sizes are
// kAviProvisionalSize, frame counts 0, and no INFO list.
std::array<uint8_t, kAviHeaderBytes> BuildProvisionalAviHeader(const AviStreams& streams);

// The header written at close. `file_length` is the length of the whole
// file, `movie_end` the end of the last chunk (where idx1 starts when there
// is one); `has_index` tells whether idx1 was written.
std::array<uint8_t, kAviHeaderBytes> BuildFinalAviHeader(const AviStreams& streams,
                                                         uint64_t file_length, uint64_t movie_end,
                                                         bool has_index);

}  // namespace brisca
