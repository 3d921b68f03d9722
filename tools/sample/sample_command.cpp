#include "tools/sample/sample_command.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "tools/sample/sample_generator.h"
#include "tools/sample/sample_options.h"
#include "tools/sample/voice_signal.h"

namespace brisca::tools {
namespace {

using sample::SampleOptions;
using sample::SampleSummary;

void PrintSummary(const SampleOptions& options, const SampleSummary& summary) {
  std::printf(
      "wrote %s: channel %u, type %d, %s to %s, %u video frames (%u key), "
      "%u audio frames (%s), %u GPS fixes, %llu bytes\n",
      options.output_path.c_str(), static_cast<unsigned>(options.channel),
      options.record_type, summary.start_text.c_str(), summary.end_text.c_str(),
      summary.video_frames, summary.key_frames, summary.audio_frames,
      sample::VoiceCodecName(options.voice), summary.gps_fixes,
      static_cast<unsigned long long>(summary.output.bytes));
}

// Writes the first `count` samples of the voice signal as s16le, the
// reference that decoded voice frames are compared with.
bool WriteVoicePcm(const std::string& path, uint64_t count) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const sample::VoiceSignal signal;
  std::vector<int16_t> block(8000);
  for (uint64_t first = 0; first < count && out; first += block.size()) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), count - first));
    signal.Fill(first, block.data(), n);
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(n * sizeof(int16_t)));
  }
  out.flush();
  return static_cast<bool>(out);
}

int Generate(const SampleOptions& options) {
  // The encoders' statistics would drown the one-line summary.
  av_log_set_level(AV_LOG_ERROR);
  std::ofstream stream(options.output_path, std::ios::binary | std::ios::trunc);
  if (!stream) {
    std::fprintf(stderr, "brisca sample: cannot create %s\n", options.output_path.c_str());
    return 1;
  }
  std::optional<std::ofstream> truth;
  if (!options.truth_path.empty()) {
    truth.emplace(options.truth_path, std::ios::trunc);
    if (!*truth) {
      std::fprintf(stderr, "brisca sample: cannot create %s\n", options.truth_path.c_str());
      return 1;
    }
  }
  try {
    const SampleSummary summary =
        sample::GenerateSample(options, stream, truth ? &*truth : nullptr);
    PrintSummary(options, summary);
    if (!options.voice_pcm_path.empty() &&
        !WriteVoicePcm(options.voice_pcm_path, summary.voice_samples)) {
      std::fprintf(stderr, "brisca sample: cannot write %s\n", options.voice_pcm_path.c_str());
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brisca sample: %s\n", error.what());
    return 1;
  }
  return 0;
}

}  // namespace

int RunSampleCommand(int argc, char** argv) {
  const auto asks_help = [&](int i) {
    return i < argc && (std::string_view(argv[i]) == "-h" ||
                        std::string_view(argv[i]) == "--help");
  };
  if (asks_help(0) || asks_help(1)) {
    std::fputs(sample::SampleUsage(), stdout);
    return 0;
  }
  if (argc < 1 || std::string_view(argv[0]) != "stream") {
    std::fputs(sample::SampleUsage(), stderr);
    return 2;
  }
  std::string error;
  const std::optional<SampleOptions> options =
      sample::ParseSampleOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "brisca sample: %s\n%s", error.c_str(), sample::SampleUsage());
    return 2;
  }
  return Generate(*options);
}

}  // namespace brisca::tools
