// Options of `brisca sample stream` and their parser.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace brisca::tools::sample {

enum class VoiceCodec {
  kNone,
  kALaw,
  kULaw,
  kG726_16,
  kG726_24,
  kG726_32,
  kG726_40,
  kIma,
};

enum class RouteKind { kCity, kHighway };

struct SampleOptions {
  std::string output_path;
  std::string truth_path;  // empty: no ground truth is written
  // The signal the voice frames encode, as 16-bit little-endian samples at
  // 8 kHz; empty: not written.
  std::string voice_pcm_path;
  uint8_t channel = 1;     // written as the stream byte of every frame
  int record_type = 0;     // reported only; the stream does not carry it
  std::chrono::local_seconds start;  // wall-clock time of the first frame
  uint32_t duration_seconds = 10;
  uint16_t width = 640;  // even, at most 4095
  uint16_t height = 360;
  uint8_t fps = 25;
  uint32_t keyint = 25;  // frames from one key frame to the next
  VoiceCodec voice = VoiceCodec::kG726_32;
  RouteKind route = RouteKind::kCity;
  char north_south = 'N';
  char east_west = 'E';
  uint64_t seed = 1;
  bool gps_loss = false;
  uint32_t noise_every = 0;  // 0: no noise
  uint32_t tear_every = 0;   // 0: no torn frames
  bool truncate_end = false;
};

// The name used on the command line ("g726-32", "none", ...).
const char* VoiceCodecName(VoiceCodec codec);

// Parses the arguments that follow "sample stream". Returns nothing and
// writes a one-line reason to `error` when an option is unknown, lacks its
// value or is out of range.
std::optional<SampleOptions> ParseSampleOptions(int argc, char** argv,
                                                std::string& error);

// Multi-line usage text.
const char* SampleUsage();

}  // namespace brisca::tools::sample
