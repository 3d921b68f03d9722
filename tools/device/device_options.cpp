#include "tools/device/device_options.h"

#include <charconv>
#include <string_view>
#include <vector>

namespace brisca::tools::device {
namespace {

bool ParseCount(std::string_view text, uint32_t max, uint32_t& value) {
  uint32_t parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec != std::errc() || end != text.data() + text.size() || parsed > max) return false;
  value = parsed;
  return true;
}

bool ParseText(std::string_view text, size_t limit, std::string& value) {
  if (text.size() > limit) return false;
  value = text;
  return true;
}

// Applies a device option. `known` tells whether it is one.
bool ApplyDeviceOption(std::string_view name, std::string_view value, DeviceOptions& options,
                       bool& known) {
  known = true;
  uint32_t number = 0;
  if (name == "--device-type") return ParseText(value, 12, options.device_type);
  if (name == "--info-rate") return ParseCount(value, 60, options.info_rate);
  if (name == "--audio-type") {
    if (!ParseCount(value, 3, number) || number < 2) return false;
    options.audio_type = static_cast<uint8_t>(number);
    return true;
  }
  if (name == "--reuse-video") return ParseCount(value, 86400, options.reuse_video_seconds);
  if (name == "--text-a") return ParseText(value, 15, options.texts[0]);
  if (name == "--text-b") return ParseText(value, 19, options.texts[1]);
  if (name == "--text-c") return ParseText(value, 31, options.texts[2]);
  if (name == "--text-d") return ParseText(value, 31, options.texts[3]);
  known = false;
  return false;
}

bool IsStreamOnly(std::string_view name) {
  return name == "-o" || name == "--truth" || name == "--voice-pcm" || name == "--noise" ||
         name == "--tear" || name == "--truncate-end";
}

}  // namespace

std::optional<DeviceOptions> ParseDeviceOptions(int argc, char** argv, std::string& error) {
  if (argc < 2 || std::string_view(argv[1]).empty() || argv[1][0] == '-') {
    error = "an output file is required";
    return std::nullopt;
  }
  DeviceOptions options;
  // What is no device option goes to the stream options' parser.
  std::vector<std::string> rest{"stream"};
  for (int i = 2; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (IsStreamOnly(name)) {
      error = "not an option of device files: " + std::string(name);
      return std::nullopt;
    }
    if (name == "--no-info" || name == "--data-end") {
      (name == "--no-info" ? options.no_info : options.data_end) = true;
      continue;
    }
    bool known = false;
    if (i + 1 < argc && ApplyDeviceOption(name, argv[i + 1], options, known)) {
      ++i;
      continue;
    }
    if (known) {
      error = "bad value for " + std::string(name);
      return std::nullopt;
    }
    rest.emplace_back(name);
  }
  rest.emplace_back("-o");
  rest.emplace_back(argv[1]);
  std::vector<char*> pointers;
  for (std::string& arg : rest) pointers.push_back(arg.data());
  std::optional<sample::SampleOptions> stream =
      sample::ParseSampleOptions(static_cast<int>(pointers.size()), pointers.data(), error);
  if (!stream) return std::nullopt;
  if (stream->channel > 15) {
    error = "device files number channels 1-15";
    return std::nullopt;
  }
  options.stream = *stream;
  return options;
}

const char* DeviceUsage() {
  return "usage: brisca sample device OUT [options]\n"
         "  a device recording file: 64 KiB header, H.264 video chunks with telemetry\n"
         "  blocks (position, speed, heading, acceleration), audio chunks\n"
         "  --device-type TEXT  up to 12 characters (KVR_REC_40XX)\n"
         "  --info-rate HZ      telemetry blocks a second besides those of key frames,\n"
         "                      0-60 (1)\n"
         "  --no-info           no telemetry blocks at all\n"
         "  --audio-type N      2|3, audio chunk type (2)\n"
         "  --data-end          write the end of the chunk data into the header\n"
         "  --text-a TEXT ... --text-d TEXT   header text fields (15, 19, 31, 31 chars)\n"
         "  --reuse-video S     encode the first S seconds of pictures once and repeat\n"
         "                      them (for large files)\n"
         "  and of 'brisca sample stream': --channel (1-15) --type --start --duration\n"
         "  --size --fps --keyint --audio --route --hemisphere --seed --gps-loss\n"
         "  A file name of 32 characters with '-' at positions 3, 6, 13 and 20 carries\n"
         "  the frame interval in its letter at position 23: a-c 500 ms, d 1000,\n"
         "  e 1500, f 2000 (e.g. 001-01-260308-140509-00d0001.dav).\n";
}

}  // namespace brisca::tools::device
