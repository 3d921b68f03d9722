// `brisca convert NAME --from HH:MM:SS --to HH:MM:SS -o OUT.avi`: converts a
// time range of a recording into an AVI file through libbrisca.so's
// conversion exports, as the player program does, with a progress bar on
// the terminal.
//
// The exports report nothing for a range they cannot convert, so the
// command first opens the recording (through the playback exports) to name
// the reason; the range arithmetic is the library's own.
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "brisca/api/brisca.h"
#include "brisca/disk/disk_manager.h"
#include "brisca/export/convert_range.h"
#include "brisca/export/write_destination.h"
#include "platform/talvo_file_system/drive_resolver.h"
#include "tools/brisca/commands.h"

namespace brisca::tools {
namespace {

constexpr const char* kUsage =
    "usage: brisca convert NAME --from HH:MM:SS --to HH:MM:SS -o OUT.avi [--disk IMAGE]\n"
    "  Converts the range of a recording into an AVI file: the H.264 video unchanged,\n"
    "  the voice as 8 kHz mono 16-bit PCM. NAME is a recording of the recorder disk\n"
    "  (found on the drive names, or the image given by --disk) or a stream file (a\n"
    "  path containing '/'). The range starts at the key frame at or before --from\n"
    "  and ends with the key frame at or before --to.\n";

constexpr int kBarWidth = 40;

struct Options {
  std::string name;
  ClockTime from;
  ClockTime to;
  std::string output;
  std::string disk_image;  // empty: search the drive names
};

std::optional<ClockTime> ParseClock(std::string_view text) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
  int parts[3] = {};
  for (int i = 0; i < 3; ++i) {
    const char high = text[i * 3];
    const char low = text[i * 3 + 1];
    if (high < '0' || high > '9' || low < '0' || low > '9') return std::nullopt;
    parts[i] = (high - '0') * 10 + (low - '0');
  }
  const ClockTime time{parts[0], parts[1], parts[2]};
  if (!UnpackClockTime(PackClockTime(time))) return std::nullopt;
  return time;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  bool have_from = false;
  bool have_to = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.substr(0, 1) != "-") {
      if (!options.name.empty()) {
        std::fprintf(stderr, "brisca convert: one recording at a time\n");
        return std::nullopt;
      }
      options.name = arg;
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "brisca convert: %s needs a value\n", argv[i]);
      return std::nullopt;
    }
    const char* value = argv[++i];
    if (arg == "--from" || arg == "--to") {
      const std::optional<ClockTime> time = ParseClock(value);
      if (!time) {
        std::fprintf(stderr, "brisca convert: %s takes a time of day HH:MM:SS, not %s\n",
                     argv[i - 1], value);
        return std::nullopt;
      }
      (arg == "--from" ? options.from : options.to) = *time;
      (arg == "--from" ? have_from : have_to) = true;
    } else if (arg == "-o") {
      options.output = value;
    } else if (arg == "--disk") {
      options.disk_image = value;
    } else {
      std::fprintf(stderr, "brisca convert: %s is not an option of convert\n", argv[i - 1]);
      return std::nullopt;
    }
  }
  if (options.name.empty() || !have_from || !have_to || options.output.empty()) {
    std::fputs(kUsage, stderr);
    return std::nullopt;
  }
  return options;
}

std::string FormatTime(const BR_SYSTEMTIME& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::string FormatClock(const ClockTime& t) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour % 100, t.minute % 100, t.second % 100);
  return text;
}

// What the conversion reported; written by the callback on the worker.
struct Progress {
  std::atomic<bool> finished{false};
  std::atomic<int32_t> done{0};
  std::atomic<int32_t> total{0};
  int shown = -1;  // permille on the bar; touched by the callback only
  bool bar = false;
};
Progress progress;

void BRISCA_CALL OnProgress(uint32_t, int32_t done, int32_t total) {
  // The final report is the only one with done -1 or done equal to total.
  if (done == -1 || done == total) {
    progress.done = done;
    progress.total = total;
    progress.finished = true;
  }
  if (!progress.bar || done < 0 || total <= 0) return;
  const int permille = static_cast<int>(int64_t{done} * 1000 / total);
  if (permille == progress.shown) return;
  progress.shown = permille;
  const int filled = permille * kBarWidth / 1000;
  std::fprintf(stderr, "\r[%.*s%*s] %3d.%d %%", filled, "########################################",
               kBarWidth - filled, "", permille / 10, permille % 10);
  std::fflush(stderr);
}

class Conversion {
 public:
  explicit Conversion(const Options& options) : options_(options) {}
  ~Conversion() {
    if (mounted_) NVR_UnMount(decoder_, 0);
    if (decoder_) BR_EraseDecoder(decoder_);
  }
  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;

  int Run() {
    BR_CreateDecoder(&decoder_);
    if (!decoder_) return Fail("the library could not make a decoder handle");
    const bool on_disk = options_.name.find('/') == std::string::npos;
    if (!on_disk && !ApartFrom(options_.name)) return 1;
    if (on_disk && !MountDisk()) return 1;
    RecFileInfo info{};
    if (!Probe(&info)) return 1;
    if (!CheckRange(info)) return 1;
    return Convert();
  }

 private:
  static int Fail(const std::string& message) {
    std::fprintf(stderr, "brisca convert: %s\n", message.c_str());
    return 1;
  }
  static bool Refuse(const std::string& message) {
    Fail(message);
    return false;
  }

  // Writing the AVI file over what the conversion reads would destroy it.
  bool ApartFrom(const std::string& source) {
    if (!DestinationOverlapsSource(options_.output, source)) return true;
    return Refuse(options_.output + " is, holds or lies inside " + source +
                  ", which the conversion reads; nothing was written");
  }

  bool MountDisk() {
    std::string folder = options_.disk_image;
    if (folder.empty()) {
      NvrSearchResult found[kDriveCount] = {};
      const int disks = NVR_SearchSD(-1, found);
      if (disks <= 0) return Refuse("no recorder disk on C: to N: (see BRISCA_DRIVES)");
      // The last disk found is the one the listing shows.
      folder = CIndexFileNvrMgr::DriveName(found[disks - 1].drive_index);
    }
    if (!ApartFrom(tvfs::ResolveDrive(folder, tvfs::HostDriveTable()))) return false;
    NVR_SetDir(folder.c_str(), 1);
    NVR_UnMount(decoder_, 0);
    const int result = NVR_Mount(decoder_, 0);
    if (result != 0) {
      return Refuse("cannot mount the recorder disk " + folder + " (NVR_Mount " +
                    std::to_string(result) + ")");
    }
    mounted_ = true;
    return true;
  }

  // Opens the recording in a channel without showing it, for its times.
  bool Probe(RecFileInfo* info) {
    const int result = BR_OpenFile(options_.name.c_str(), nullptr, 0, decoder_);
    if (result != 0)
      return Refuse("cannot open the recording " + options_.name + " (BR_OpenFile " +
                    std::to_string(result) + ")");
    const int copied = JV_GetEVFInfo(decoder_, 0, info);
    BR_CloseFile(decoder_, 0);
    if (copied != 0) return Refuse("JV_GetEVFInfo failed for " + options_.name);
    recording_ = FormatTime(info->start_time) + " to " + FormatTime(info->end_time);
    return true;
  }

  bool CheckRange(const RecFileInfo& info) {
    const ConvertRange range = ComputeConvertRange(
        info.start_time, info.end_time, PackClockTime(options_.from), PackClockTime(options_.to));
    switch (range.verdict) {
      case RangeVerdict::kOk:
        return true;
      case RangeVerdict::kStartAfterRecording:
        return Refuse(FormatClock(options_.from) + " is after the end of the recording (" +
                      recording_ + ")");
      case RangeVerdict::kInvalidTime:
      case RangeVerdict::kUnusable:
        break;
    }
    return Refuse("nothing of the recording (" + recording_ + ") lies between " +
                  FormatClock(options_.from) + " and " + FormatClock(options_.to));
  }

  int Convert() {
    const uint32_t handle =
        JV_CONVERTDLL_InitDllMange(options_.name.c_str(), options_.output.c_str());
    if (!handle) return Fail("the library could not make a conversion handle");
    progress.bar = isatty(STDERR_FILENO) == 1;
    JV_CONVERTDLL_RegisterCovInfoCallBack(handle, 0, OnProgress);
    const uint32_t end = PackClockTime(options_.to);
    const int started =
        JV_CONVERTDLL_ConvertH264ToAVI(handle, 0, 0, PackClockTime(options_.from), end, end);
    // Destroying the handle waits for the conversion to finish.
    JV_CONVERTDLL_UnInitDllMange(handle);
    if (progress.bar && progress.shown >= 0) std::fputc('\n', stderr);
    if (started != 0) return Fail("the conversion could not be started");
    const std::string range = FormatClock(options_.from) + "-" + FormatClock(options_.to);
    if (!progress.finished) {
      return Fail("the range " + range + " holds no frame to convert: it starts and ends at " +
                  "the same key frame (a range ends with the key frame at or before its end; " +
                  "recording " + recording_ + ")");
    }
    if (progress.done == -1) {
      std::error_code error;
      if (!std::filesystem::exists(options_.output, error))
        return Fail("cannot create " + options_.output);
      return Fail("conversion failed: reading " + options_.name + " or writing " + options_.output +
                  " stopped; " + options_.output + " holds the part written before");
    }
    std::printf("converted %s %s to %s\n", options_.name.c_str(), range.c_str(),
                options_.output.c_str());
    return 0;
  }

  const Options& options_;
  uint32_t decoder_ = 0;
  bool mounted_ = false;
  std::string recording_;  // its start and end, for messages
};

}  // namespace

int RunConvertCommand(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) return 2;
  Conversion conversion(*options);
  return conversion.Run();
}

}  // namespace brisca::tools
