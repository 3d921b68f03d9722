#include "tools/card/sample_card_command.h"

#include <stdlib.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

extern "C" {
#include <libavutil/log.h>
}

#include "tools/card/card_image.h"
#include "tools/card/sample_card.h"

namespace brisca::tools {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: brisca sample card OUT [OPTIONS]\n"
    "  writes a FAT32 SD-card image OUT (4096-byte sectors, made with mkfs.fat and\n"
    "  mcopy) with an index00.bin and fly%05d.evf containers per partition\n"
    "  --partitions N     partitions 1-4 (default 1)\n"
    "  --files N          containers per partition, 1-200 (default 4)\n"
    "  --recordings N     recordings per container, 1-256 (default 2)\n"
    "  --channels N       channels 1-32; file i records on channel i % N + 1 (default 2)\n"
    "  --open N           newest files still open, named by channel descriptors only\n"
    "                     (default 1, at most --channels)\n"
    "  --seconds N        length of each recording (default 4)\n"
    "  --size WxH         picture size (default 352x288)\n"
    "  --fps N            frames per second, also the key-frame interval (default 25)\n"
    "  --block-frames N   video entries per index block, 1-3000 (default 3000)\n"
    "  --start 'YYYY-MM-DD hh:mm:ss'  first recording (default 2026-03-07 08:00:00)\n"
    "  --seed N           (default 1)\n"
    "  --folder           write OUT as an export folder (P_index00.bin, P_fly%05d.evf)\n"
    "                     for folder mode instead of an image\n";

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseSize(std::string_view text, card::SampleCardOptions& o) {
  const size_t x = text.find('x');
  return x != std::string_view::npos && ParseNumber(text.substr(0, x), o.width) &&
         ParseNumber(text.substr(x + 1), o.height) && o.width >= 16 && o.height >= 16 &&
         o.width % 2 == 0 && o.height % 2 == 0 && o.width < 4096 && o.height < 4096;
}

bool ParseStart(const char* text, card::SampleCardOptions& o) {
  using namespace std::chrono;
  int y = 0;
  unsigned mo = 0, d = 0, h = 0, mi = 0, se = 0;
  char tail = 0;
  if (std::sscanf(text, "%d-%u-%u %u:%u:%u%c", &y, &mo, &d, &h, &mi, &se, &tail) != 6) return false;
  const year_month_day date{year{y}, month{mo}, day{d}};
  if (!date.ok() || y < 2000 || y > 2099 || h > 23 || mi > 59 || se > 59) return false;
  o.start = local_days{date} + hours{h} + minutes{mi} + seconds{se};
  return true;
}

bool ParseOption(std::string_view name, const char* value, card::SampleCardOptions& o) {
  if (name == "--partitions") return ParseNumber(value, o.partitions);
  if (name == "--files") return ParseNumber(value, o.files);
  if (name == "--recordings") return ParseNumber(value, o.recordings);
  if (name == "--channels") return ParseNumber(value, o.channels);
  if (name == "--open") return ParseNumber(value, o.open_files);
  if (name == "--seconds") return ParseNumber(value, o.seconds);
  if (name == "--size") return ParseSize(value, o);
  if (name == "--fps") return ParseNumber(value, o.fps) && o.fps > 0;
  if (name == "--block-frames") return ParseNumber(value, o.block_frames);
  if (name == "--start") return ParseStart(value, o);
  if (name == "--seed") return ParseNumber(value, o.seed);
  return false;
}

// A private folder for the partitions' files, removed with this object.
class WorkFolder {
 public:
  WorkFolder() {
    std::string pattern = (fs::temp_directory_path() / "brisca-card-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~WorkFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

int Build(const std::string& out, const card::SampleCardOptions& options) {
  av_log_set_level(AV_LOG_ERROR);
  std::vector<card::SampleCardRecording> recordings;
  if (options.folder_mode) {
    recordings = card::WriteSampleCardFiles(options, out, false);
  } else {
    const WorkFolder work;
    if (work.path().empty()) {
      std::fprintf(stderr, "brisca sample card: cannot create a temporary folder\n");
      return 1;
    }
    recordings = card::WriteSampleCardFiles(options, work.path(), false);
    std::vector<std::string> folders;
    for (int p = 0; p < options.partitions; ++p) folders.push_back(card::PartitionFolder(work.path(), p));
    const std::vector<card::CardPartition> partitions = card::WriteCardImage(out, folders);
    for (size_t p = 0; p < partitions.size(); ++p)
      std::printf("partition %zu\tstart %llu\tsize %llu\n", p,
                  static_cast<unsigned long long>(partitions[p].start_bytes),
                  static_cast<unsigned long long>(partitions[p].size_bytes));
  }
  for (const card::SampleCardRecording& r : recordings)
    std::printf("%s\tchannel %u\ttype %u\tstart %u\tend %u\n", r.name.c_str(), r.channel,
                r.record_type, r.start_seconds, r.end_seconds);
  return 0;
}

}  // namespace

int RunSampleCardCommand(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string out = argv[1];
  card::SampleCardOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--folder") {
      options.folder_mode = true;
      continue;
    }
    if (i + 1 >= argc || !ParseOption(name, argv[i + 1], options)) {
      std::fprintf(stderr, "brisca sample card: bad option: %s\n%s", argv[i], kUsage);
      return 2;
    }
    ++i;
  }
  try {
    return Build(out, options);
  } catch (const std::invalid_argument& bad) {
    std::fprintf(stderr, "brisca sample card: %s\n%s", bad.what(), kUsage);
    return 2;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "brisca sample card: %s\n", failure.what());
    return 1;
  }
}

}  // namespace brisca::tools
