#include "tools/disk/sample_disk_command.h"

#include <stdlib.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
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
#include "platform/talvo_file_system/disk_format.h"
#include "tools/disk/bulk_recordings.h"
#include "tools/disk/disk_summary.h"
#include "tools/disk/stream_segment.h"
#include "tools/sample/sample_generator.h"

namespace brisca::tools {
namespace {

using namespace std::chrono;

constexpr const char* kUsage =
    "usage: brisca sample disk OUT [--disk-number N] [--seed N] [--date YYYY-MM-DD]\n"
    "                              [--recordings N]\n"
    "  --date D          the second recording day; the first is the day before\n"
    "                    (2026-03-08)\n"
    "  --recordings N    instead of the eleven demo recordings, N (1-100000) tiny\n"
    "                    ones: four channels every three minutes, 1920 a day, on\n"
    "                    the dates that end with D\n";

constexpr year_month_day kDefaultDay{year{2026}, March, day{8}};

struct Recording {
  uint8_t channel;  // 0-based
  uint8_t record_type;  // cause bits
  int day;              // 0: the day before the chosen date, 1: the chosen date
  seconds start;        // time of day
  uint32_t duration_seconds;
};

constexpr uint8_t kManual = tvfs::kCauseManual;
constexpr uint8_t kOverspeed = tvfs::kCauseOverspeed;
constexpr uint8_t kEmergency = tvfs::kCauseEmergency;
constexpr uint8_t kDms = tvfs::kCauseDms;

// Two days on four channels, every cause and some recordings with two; the
// day starts with all four cameras of one moment, and the 23:59:52
// recording runs into the second day. The second day's recordings
// lie in its first hours, so a demo disk dated today is listed whole by a
// search window that ends now.
constexpr std::array<Recording, 12> kRecordings{{
    {0, kManual, 0, hours{8}, 12},
    {1, kManual, 0, hours{8}, 12},
    {2, kManual | kEmergency, 0, hours{8} + seconds{5}, 10},
    {3, kOverspeed, 0, hours{9} + minutes{15}, 10},
    {0, kDms, 0, hours{9} + minutes{15} + seconds{30}, 10},
    {1, kManual, 0, hours{23} + minutes{59} + seconds{52}, 16},
    {0, kManual, 1, minutes{30}, 10},
    {2, kManual, 1, minutes{30}, 10},
    {3, kEmergency, 1, hours{1}, 10},
    {1, kManual | kOverspeed, 1, hours{1} + seconds{20}, 10},
    {2, kManual | kDms, 1, hours{1} + minutes{45}, 10},
    {3, kManual, 0, hours{8}, 12},
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

// "YYYY-MM-DD" of a real date whose day before and day after a disk can
// hold (2000-2255).
std::optional<year_month_day> ParseDate(std::string_view text) {
  int y = 0;
  unsigned m = 0;
  unsigned d = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !ParseNumber(text.substr(0, 4), y) ||
      !ParseNumber(text.substr(5, 2), m) || !ParseNumber(text.substr(8, 2), d)) {
    return std::nullopt;
  }
  const year_month_day date{year{y}, month{m}, day{d}};
  if (!date.ok() || y < 2001 || y > 2254) return std::nullopt;
  return date;
}

struct DiskOptions {
  uint32_t disk_number = 1;
  uint64_t seed = 1;
  year_month_day date = kDefaultDay;
  uint32_t recordings = 0;  // 0: the demo recordings
};

sample::SampleOptions OptionsFor(const Recording& recording, year_month_day second_day,
                                 uint64_t seed) {
  sample::SampleOptions options;
  options.channel = static_cast<uint8_t>(recording.channel + 1);
  options.record_type = recording.record_type;
  options.start = local_days{second_day} - days{1 - recording.day} + recording.start;
  options.duration_seconds = recording.duration_seconds;
  options.width = 352;
  options.height = 288;
  options.fps = 10;
  options.keyint = 10;
  options.seed = seed;
  return options;
}

// Generates the demo recordings into `folder` and queues them on `writer`.
bool AddDemoRecordings(tvfs::DiskImageWriter& writer, const TemporaryFolder& folder,
                       const DiskOptions& options) {
  std::string error;
  for (size_t i = 0; i < kRecordings.size(); ++i) {
    const Recording& recording = kRecordings[i];
    const std::string path = (folder.path() / ("recording-" + std::to_string(i))).string();
    {
      std::ofstream stream(path, std::ios::binary | std::ios::trunc);
      sample::GenerateSample(OptionsFor(recording, options.date, options.seed + i), stream,
                             nullptr);
      stream.close();
      if (!stream) {
        std::fprintf(stderr, "brisca sample disk: cannot write %s\n", path.c_str());
        return false;
      }
    }
    disk::StreamSurvey survey;
    if (!disk::AddStreamFile(writer, recording.channel, recording.record_type, path, survey,
                             error)) {
      std::fprintf(stderr, "brisca sample disk: %s\n", error.c_str());
      return false;
    }
  }
  return true;
}

int Build(const std::string& out, const DiskOptions& options) {
  av_log_set_level(AV_LOG_ERROR);
  // The streams are read again when the image is written, so the folder
  // lives until then.
  const TemporaryFolder folder;
  if (folder.path().empty()) {
    std::fprintf(stderr, "brisca sample disk: cannot create a temporary folder\n");
    return 1;
  }
  tvfs::DiskImageWriter writer(options.disk_number);
  std::string error;
  if (options.recordings > 0) {
    if (!disk::AddBulkRecordings(writer, options.recordings, options.date, options.seed, error)) {
      std::fprintf(stderr, "brisca sample disk: %s\n", error.c_str());
      return 1;
    }
  } else if (!AddDemoRecordings(writer, folder, options)) {
    return 1;
  }
  tvfs::WriteReport report;
  if (!writer.Write(out, report, error)) {
    std::fprintf(stderr, "brisca sample disk: %s\n", error.c_str());
    return 1;
  }
  disk::PrintDiskSummary(stdout, out, options.disk_number, report);
  return 0;
}

}  // namespace

int RunSampleDiskCommand(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string out = argv[1];
  DiskOptions options;
  for (int i = 2; i < argc; i += 2) {
    const std::string_view name = argv[i];
    bool parsed = false;
    if (i + 1 < argc) {
      const std::string_view value = argv[i + 1];
      if (name == "--disk-number") parsed = ParseNumber(value, options.disk_number);
      if (name == "--seed") parsed = ParseNumber(value, options.seed);
      if (name == "--recordings") {
        parsed = ParseNumber(value, options.recordings) && options.recordings > 0 &&
                 options.recordings <= disk::kMaxBulkRecordings;
      }
      if (name == "--date") {
        const std::optional<year_month_day> date = ParseDate(value);
        parsed = date.has_value();
        if (date) options.date = *date;
      }
    }
    if (!parsed) {
      std::fprintf(stderr, "brisca sample disk: bad option: %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  try {
    return Build(out, options);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "brisca sample disk: %s\n", failure.what());
    return 1;
  }
}

}  // namespace brisca::tools
