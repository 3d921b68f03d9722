#include "tools/device/sample_device_command.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>

extern "C" {
#include <libavutil/log.h>
}

#include "tools/device/device_generator.h"
#include "tools/device/device_options.h"

namespace brisca::tools {

int RunSampleDeviceCommand(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "-h" || std::string_view(argv[i]) == "--help") {
      std::fputs(device::DeviceUsage(), stdout);
      return 0;
    }
  }
  std::string error;
  const std::optional<device::DeviceOptions> options =
      device::ParseDeviceOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "brisca sample device: %s\n%s", error.c_str(), device::DeviceUsage());
    return 2;
  }
  // The encoders' statistics would drown the one-line summary.
  av_log_set_level(AV_LOG_ERROR);
  const std::string& path = options->stream.output_path;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    std::fprintf(stderr, "brisca sample device: cannot create %s\n", path.c_str());
    return 1;
  }
  try {
    const device::DeviceSummary summary = device::GenerateDevice(*options, out);
    std::printf(
        "wrote %s: device %s, channel %u, type %d, %s to %s, %u video chunks (%u key), "
        "%u telemetry blocks (%u fixes), %u audio chunks (%s), %llu bytes\n",
        path.c_str(), options->device_type.c_str(), unsigned{options->stream.channel},
        options->stream.record_type, summary.start_text.c_str(), summary.end_text.c_str(),
        summary.video_chunks, summary.key_chunks, summary.info_blocks, summary.fixes,
        summary.audio_chunks, sample::VoiceCodecName(options->stream.voice),
        static_cast<unsigned long long>(summary.bytes));
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "brisca sample device: %s\n", failure.what());
    return 1;
  }
  return 0;
}

}  // namespace brisca::tools
