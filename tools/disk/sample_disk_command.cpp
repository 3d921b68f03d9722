#include "tools/disk/sample_disk_command.h"

#include <stdlib.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

extern "C" {
#include <libavutil/log.h>
}

#include "platform/talvo_file_system/disk_image_writer.h"
#include "tools/disk/disk_summary.h"
#include "tools/disk/stream_segment.h"
#include "tools/sample/sample_generator.h"

namespace brisca::tools {
namespace {

using namespace std::chrono;

constexpr const char* kUsage = "usage: brisca sample disk OUT [--disk-number N] [--seed N]\n";

struct Recording {
  uint8_t channel;  // 0-based
  uint8_t record_type;
  year_month_day date;
  seconds start;  // time of day
  uint32_t duration_seconds;
};

constexpr year_month_day kFirstDay{year{2026}, March, day{7}};
constexpr year_month_day kSecondDay{year{2026}, March, day{8}};

// Two days on four channels; the 23:59:52 recording runs into the second day.
constexpr std::array<Recording, 11> kRecordings{{
    {0, 0, kFirstDay, hours{8}, 12},
    {1, 0, kFirstDay, hours{8}, 12},
    {2, 1, kFirstDay, hours{8} + seconds{5}, 10},
    {3, 2, kFirstDay, hours{9} + minutes{15}, 10},
    {0, 3, kFirstDay, hours{9} + minutes{15} + seconds{30}, 10},
    {1, 0, kFirstDay, hours{23} + minutes{59} + seconds{52}, 16},
    {0, 0, kSecondDay, hours{7} + minutes{30}, 10},
    {2, 0, kSecondDay, hours{7} + minutes{30}, 10},
    {3, 1, kSecondDay, hours{12}, 10},
    {1, 2, kSecondDay, hours{12} + seconds{20}, 10},
    {2, 3, kSecondDay, hours{18} + minutes{45}, 10},
}};

// A private folder for the generated streams, removed with this object.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brisca-disk-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

sample::SampleOptions OptionsFor(const Recording& recording, uint64_t seed) {
  sample::SampleOptions options;
  options.channel = static_cast<uint8_t>(recording.channel + 1);
  options.record_type = recording.record_type;
  options.start = local_days{recording.date} + recording.start;
  options.duration_seconds = recording.duration_seconds;
  options.width = 352;
  options.height = 288;
  options.fps = 10;
  options.keyint = 10;
  options.seed = seed;
  return options;
}

int Build(const std::string& out, uint32_t disk_number, uint64_t seed) {
  av_log_set_level(AV_LOG_ERROR);
  const TemporaryFolder folder;
  if (folder.path().empty()) {
    std::fprintf(stderr, "brisca sample disk: cannot create a temporary folder\n");
    return 1;
  }
  tvfs::DiskImageWriter writer(disk_number);
  std::string error;
  for (size_t i = 0; i < kRecordings.size(); ++i) {
    const Recording& recording = kRecordings[i];
    const std::string path = (folder.path() / ("recording-" + std::to_string(i))).string();
    {
      std::ofstream stream(path, std::ios::binary | std::ios::trunc);
      sample::GenerateSample(OptionsFor(recording, seed + i), stream, nullptr);
      stream.close();
      if (!stream) {
        std::fprintf(stderr, "brisca sample disk: cannot write %s\n", path.c_str());
        return 1;
      }
    }
    disk::StreamSurvey survey;
    if (!disk::AddStreamFile(writer, recording.channel, recording.record_type, path, survey,
                             error)) {
      std::fprintf(stderr, "brisca sample disk: %s\n", error.c_str());
      return 1;
    }
  }
  tvfs::WriteReport report;
  if (!writer.Write(out, report, error)) {
    std::fprintf(stderr, "brisca sample disk: %s\n", error.c_str());
    return 1;
  }
  disk::PrintDiskSummary(stdout, out, disk_number, report);
  return 0;
}

}  // namespace

int RunSampleDiskCommand(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string out = argv[1];
  uint32_t disk_number = 1;
  uint64_t seed = 1;
  for (int i = 2; i < argc; i += 2) {
    const std::string_view name = argv[i];
    const bool parsed = i + 1 < argc && ((name == "--disk-number" && ParseNumber(argv[i + 1], disk_number)) ||
                                         (name == "--seed" && ParseNumber(argv[i + 1], seed)));
    if (!parsed) {
      std::fprintf(stderr, "brisca sample disk: bad option: %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  try {
    return Build(out, disk_number, seed);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "brisca sample disk: %s\n", failure.what());
    return 1;
  }
}

}  // namespace brisca::tools
