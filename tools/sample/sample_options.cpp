#include "tools/sample/sample_options.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <utility>

namespace brisca::tools::sample {
namespace {

using namespace std::chrono;

constexpr std::array<std::pair<std::string_view, VoiceCodec>, 8> kVoiceNames{{
    {"none", VoiceCodec::kNone},
    {"alaw", VoiceCodec::kALaw},
    {"ulaw", VoiceCodec::kULaw},
    {"g726-16", VoiceCodec::kG726_16},
    {"g726-24", VoiceCodec::kG726_24},
    {"g726-32", VoiceCodec::kG726_32},
    {"g726-40", VoiceCodec::kG726_40},
    {"ima", VoiceCodec::kIma},
}};

// The oldest and newest start years; the stream stores years as one byte
// counted from 2000, and a day-long recording must not run past that.
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2250;

template <typename T>
bool ParseNumber(std::string_view text, T min, T max, T& value) {
  T parsed{};
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  if (parsed < min || parsed > max) return false;
  value = parsed;
  return true;
}

bool ParseSize(std::string_view text, SampleOptions& options) {
  const size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  uint16_t width = 0;
  uint16_t height = 0;
  // x264 needs a few macroblocks; the format field holds 12 bits.
  if (!ParseNumber<uint16_t>(text.substr(0, x), 32, 4094, width) ||
      !ParseNumber<uint16_t>(text.substr(x + 1), 32, 4094, height)) {
    return false;
  }
  if (width % 2 != 0 || height % 2 != 0) return false;
  options.width = width;
  options.height = height;
  return true;
}

// "YYYY-MM-DD hh:mm:ss" as a local wall-clock time.
bool ParseStart(std::string_view text, local_seconds& start) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' ||
      text[10] != ' ' || text[13] != ':' || text[16] != ':') {
    return false;
  }
  int year = 0;
  unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!ParseNumber(text.substr(0, 4), kFirstYear, kLastYear, year) ||
      !ParseNumber(text.substr(5, 2), 1u, 12u, month) ||
      !ParseNumber(text.substr(8, 2), 1u, 31u, day) ||
      !ParseNumber(text.substr(11, 2), 0u, 23u, hour) ||
      !ParseNumber(text.substr(14, 2), 0u, 59u, minute) ||
      !ParseNumber(text.substr(17, 2), 0u, 59u, second)) {
    return false;
  }
  const year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                            std::chrono::day{day}};
  if (!date.ok()) return false;
  start = local_days{date} + hours{hour} + minutes{minute} + seconds{second};
  return true;
}

bool ParseVoice(std::string_view text, VoiceCodec& codec) {
  for (const auto& [name, value] : kVoiceNames) {
    if (name == text) {
      codec = value;
      return true;
    }
  }
  return false;
}

bool ParseHemisphere(std::string_view text, SampleOptions& options) {
  if (text.size() != 2 || (text[0] != 'N' && text[0] != 'S') ||
      (text[1] != 'E' && text[1] != 'W')) {
    return false;
  }
  options.north_south = text[0];
  options.east_west = text[1];
  return true;
}

bool ParseRoute(std::string_view text, RouteKind& route) {
  if (text == "city") {
    route = RouteKind::kCity;
  } else if (text == "highway") {
    route = RouteKind::kHighway;
  } else {
    return false;
  }
  return true;
}

// Applies one option that takes a value. Returns false when the value is
// not acceptable; `known` tells whether the option name exists at all.
bool ApplyValueOption(std::string_view name, std::string_view value,
                      SampleOptions& options, bool& known) {
  known = true;
  if (name == "-o") {
    options.output_path = value;
    return !value.empty();
  }
  if (name == "--voice-pcm") {
    options.voice_pcm_path = value;
    return !value.empty();
  }
  if (name == "--truth") {
    options.truth_path = value;
    return !value.empty();
  }
  if (name == "--channel") return ParseNumber<uint8_t>(value, 1, 255, options.channel);
  if (name == "--type") return ParseNumber(value, 0, 255, options.record_type);
  if (name == "--start") return ParseStart(value, options.start);
  if (name == "--duration") {
    return ParseNumber<uint32_t>(value, 1, 86400, options.duration_seconds);
  }
  if (name == "--size") return ParseSize(value, options);
  if (name == "--fps") return ParseNumber<uint8_t>(value, 1, 60, options.fps);
  if (name == "--keyint") return ParseNumber<uint32_t>(value, 1, 3600, options.keyint);
  if (name == "--audio") return ParseVoice(value, options.voice);
  if (name == "--route") return ParseRoute(value, options.route);
  if (name == "--hemisphere") return ParseHemisphere(value, options);
  if (name == "--seed") {
    return ParseNumber<uint64_t>(value, 0, UINT64_MAX, options.seed);
  }
  if (name == "--noise") {
    return ParseNumber<uint32_t>(value, 1, UINT32_MAX, options.noise_every);
  }
  if (name == "--tear") {
    return ParseNumber<uint32_t>(value, 1, UINT32_MAX, options.tear_every);
  }
  known = false;
  return false;
}

SampleOptions DefaultOptions() {
  SampleOptions options;
  ParseStart("2026-03-08 14:05:09", options.start);
  return options;
}

}  // namespace

const char* VoiceCodecName(VoiceCodec codec) {
  for (const auto& [name, value] : kVoiceNames) {
    if (value == codec) return name.data();
  }
  return "none";
}

std::optional<SampleOptions> ParseSampleOptions(int argc, char** argv,
                                                std::string& error) {
  SampleOptions options = DefaultOptions();
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--gps-loss") {
      options.gps_loss = true;
      continue;
    }
    if (name == "--truncate-end") {
      options.truncate_end = true;
      continue;
    }
    if (i + 1 >= argc) {
      error = "missing value or unknown option: " + std::string(name);
      return std::nullopt;
    }
    const std::string_view value = argv[++i];
    bool known = false;
    if (!ApplyValueOption(name, value, options, known)) {
      error = known ? "bad value for " + std::string(name) + ": " +
                          std::string(value)
                    : "unknown option: " + std::string(name);
      return std::nullopt;
    }
  }
  if (options.output_path.empty()) {
    error = "an output file (-o FILE) is required";
    return std::nullopt;
  }
  return options;
}

const char* SampleUsage() {
  return "usage: brisca sample stream -o FILE [options]\n"
         "       brisca sample disk OUT [--disk-number N] [--seed N]\n"
         "         (a demo recorder-disk image of generated recordings)\n"
         "  --truth FILE        write the ground-truth frame listing\n"
         "  --voice-pcm FILE    write the sound the voice frames carry (s16le, 8 kHz)\n"
         "  --channel N         stream byte / channel, 1-255 (1)\n"
         "  --type T            record type code, reported only (0)\n"
         "  --start \"YYYY-MM-DD hh:mm:ss\"  (2026-03-08 14:05:09)\n"
         "  --duration SECONDS  1-86400 (10)\n"
         "  --size WxH          even, 32-4094 each (640x360)\n"
         "  --fps N             1-60 (25)\n"
         "  --keyint N          frames between key frames (25)\n"
         "  --audio CODEC       alaw|ulaw|g726-16|g726-24|g726-32|g726-40|ima|none"
         " (g726-32)\n"
         "  --route KIND        city|highway (city)\n"
         "  --hemisphere H      NE|NW|SE|SW (NE)\n"
         "  --seed N            route and damage randomness (1)\n"
         "  --gps-loss          a few seconds without a GPS fix\n"
         "  --noise N           1-64 noise bytes before every N-th frame\n"
         "  --tear N            write only the tail of every N-th frame\n"
         "  --truncate-end      cut the last frame in half\n";
}

}  // namespace brisca::tools::sample
