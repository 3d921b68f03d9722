// `brisca play NAME...`: plays up to eight recordings together through the
// exported interface of libbrisca.so, every channel into a memory
// presentation target, with no window and no sound, and reports how each
// channel kept to the due times of its frames and how far the channels
// were from showing the same moment. A script can pause, seek, change the
// rate and step while they play.
//
// Playback uses nothing but the exports. The library's internal reader is
// used only afterwards, to list the frames each recording holds, so that
// the process CPU time measured at the end of playback is playback's alone.
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "brisca/api/brisca.h"
#include "brisca/disk/disk_manager.h"
#include "brisca/recordings/listed_reader.h"
#include "brisca/testing/memory_target.h"
#include "tools/brisca/commands.h"
#include "tools/brisca/play_figures.h"
#include "tools/brisca/play_script.h"
#include "tools/brisca/sync_distance.h"

namespace brisca::tools {
namespace {

constexpr int kMaxChannels = 8;
constexpr int kPollMs = 5;
// Playing on after the last end report for longer than a refresh interval
// shows whether a channel reports its end twice or keeps refreshing.
constexpr int kAfterEndsMs = 600;
// Without --seconds, a run that never sees every end stops this long after
// the recordings should have finished.
constexpr int kEndGraceMs = 10000;
// How long after a script action the channels are given to come back into
// step before their distance counts as settled.
constexpr double kSettleMs = 200;

constexpr const char* kUsage =
    "usage: brisca play NAME [NAME ...] [--disk IMAGE | --source PATH]\n"
    "                   [--format i420|rgb565|bgr24]\n"
    "                   [--seconds S] [--rate R] [--reverse] [--json]\n"
    "                   [--snapshot-at MS --snapshot-dir DIR] [--script \"STEP; ...\"]\n"
    "  Plays up to 8 recordings, channel i the i-th NAME: a recording of the recorder\n"
    "  disk (found on the drive names, or the image given by --disk) or a stream file\n"
    "  (a path containing '/'). --source lists PATH as the player's local search does\n"
    "  (a disk or card image, an export folder, a folder of stream files) and plays\n"
    "  NAMEs of that list: e.g. 'brisca play 0\\1\\0 --source card.img'.\n"
    "  Plays until every channel reported its end, or for S\n"
    "  seconds. --snapshot-at writes DIR/channelN.bmp of every channel MS ms after\n"
    "  playing began (at the latest when playing stops).\n"
    "  --script runs its steps in order from the moment playing starts, and playing\n"
    "  stops when they are done (or after S seconds, when --seconds is given):\n"
    "    wait MS    play on for MS ms             pause MS   pause, hold MS ms, resume\n"
    "    seek MS    to MS ms into the recording   rate R     rate R forward (as --rate)\n"
    "    reverse R  rate R backward               step N     N frames, 100 ms apart\n"
    "  Channels stay paused after a step until a pause step resumes them.\n";

struct PixelFormat {
  const char* name;
  int code;
};
constexpr std::array<PixelFormat, 3> kFormats = {{
    {"i420", BR_PIXFMT_I420},
    {"rgb565", BR_PIXFMT_RGB565},
    {"bgr24", BR_PIXFMT_BGR24},
}};

struct Options {
  std::vector<std::string> names;
  std::string disk_image;  // empty: search the drive names
  std::string source;      // a local source to list and play from; empty: none
  PixelFormat format = kFormats[0];
  std::optional<double> seconds;
  int32_t rate = 0;
  bool reverse = false;
  bool json = false;
  std::optional<int64_t> snapshot_at_ms;
  std::string snapshot_dir;
  std::string script_text;  // empty: no script
  std::vector<ScriptStep> script;
};

bool ParseInteger(const char* text, int64_t low, int64_t high, int64_t& out) {
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) return false;
  out = value;
  return true;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    const auto bad = [&](const char* what) {
      std::fprintf(stderr, "brisca play: %s %s\n", std::string(arg).c_str(), what);
      return std::nullopt;
    };
    int64_t number = 0;
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--reverse") {
      options.reverse = true;
    } else if (arg.substr(0, 2) == "--" && !value) {
      return bad("needs a value");
    } else if (arg == "--disk") {
      options.disk_image = argv[++i];
    } else if (arg == "--source") {
      options.source = argv[++i];
    } else if (arg == "--format") {
      const auto format = std::find_if(kFormats.begin(), kFormats.end(), [&](const auto& f) {
        return std::string_view(f.name) == value;
      });
      if (format == kFormats.end()) return bad("takes i420, rgb565 or bgr24");
      options.format = *format;
      ++i;
    } else if (arg == "--seconds") {
      char* end = nullptr;
      const double seconds = std::strtod(value, &end);
      if (end == value || *end != '\0' || !(seconds > 0) || seconds > 86400)
        return bad("takes a number of seconds above 0");
      options.seconds = seconds;
      ++i;
    } else if (arg == "--rate") {
      if (!ParseInteger(value, -32, 32, number)) return bad("takes a rate from -32 to 32");
      options.rate = static_cast<int32_t>(number);
      ++i;
    } else if (arg == "--snapshot-at") {
      if (!ParseInteger(value, 0, 86400000, number)) return bad("takes milliseconds");
      options.snapshot_at_ms = number;
      ++i;
    } else if (arg == "--snapshot-dir") {
      options.snapshot_dir = argv[++i];
    } else if (arg == "--script") {
      std::string error;
      std::optional<std::vector<ScriptStep>> script = ParseScript(value, error);
      if (!script) return bad(("has a bad script: " + error).c_str());
      options.script_text = value;
      options.script = std::move(*script);
      ++i;
    } else if (arg.substr(0, 2) == "--") {
      return bad("is not an option of play");
    } else {
      options.names.emplace_back(arg);
    }
  }
  if (options.names.empty() || options.names.size() > kMaxChannels) {
    std::fprintf(stderr, "brisca play: give 1 to %d recordings\n", kMaxChannels);
    return std::nullopt;
  }
  if (!options.disk_image.empty() && !options.source.empty()) {
    std::fprintf(stderr, "brisca play: --disk and --source exclude each other\n");
    return std::nullopt;
  }
  if (options.snapshot_at_ms.has_value() != !options.snapshot_dir.empty()) {
    std::fprintf(stderr, "brisca play: --snapshot-at and --snapshot-dir go together\n");
    return std::nullopt;
  }
  return options;
}

bool IsStreamFile(const std::string& name) { return name.find('/') != std::string::npos; }

double NowMs() {
  using Ms = std::chrono::duration<double, std::milli>;
  return Ms(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// What the info-frame and end callbacks report. Their user value is only
// 32 bits wide, so they find this through a pointer of the file instead.
struct Events {
  std::mutex mutex;
  // Guarded by mutex:
  uint64_t info_records = 0;
  uint64_t info_out_of_order = 0;
  uint64_t last_info_timestamp = 0;

  std::array<std::atomic<int>, kMaxChannels> ends{};
  std::atomic<int> stray_ends{0};  // channel index outside 0-7
};
Events* g_events = nullptr;

void BRISCA_CALL OnInfoFrame(const unsigned char*, uint32_t, uint32_t timestamp_low,
                             uint32_t timestamp_high, uint32_t) {
  const uint64_t timestamp = (uint64_t{timestamp_high} << 32) | timestamp_low;
  std::lock_guard hold(g_events->mutex);
  if (g_events->info_records > 0 && timestamp < g_events->last_info_timestamp)
    ++g_events->info_out_of_order;
  ++g_events->info_records;
  g_events->last_info_timestamp = timestamp;
}

void BRISCA_CALL OnEnd(int32_t channel, uint32_t) {
  if (channel >= 0 && channel < kMaxChannels) {
    ++g_events->ends[static_cast<size_t>(channel)];
  } else {
    ++g_events->stray_ends;
  }
}

// The video timestamps of a recording (ascending, distinct) and its count
// of telemetry records.
struct RecordingFrames {
  std::vector<uint64_t> video;
  size_t telemetry = 0;
  WallClock clock;
};

// Reads the recording as the playback opened it, timestamps in milliseconds.
bool ListFrames(const std::string& name, RecordingFrames& out) {
  ListedReader made = MakeListedReader(name.c_str());
  if (!made.reader || made.reader->Open(name.c_str()) != 0) return false;
  CRecFile& reader = *made.reader;
  const RecFileParam param = reader.file_param();
  const BR_SYSTEMTIME& t = param.start_time;
  out.clock = WallClock::Of(CalendarMs(t.year, t.month, t.day, t.hour, t.minute, t.second),
                            param.start / made.units_per_ms);
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  while (reader.ReadFrame(&frame, &info) == 0) {
    if (frame->kind == FRAME_VIDEO_KEY || frame->kind == FRAME_VIDEO_PREDICTED) {
      out.video.push_back(frame->timestamp / made.units_per_ms);
    } else if (frame->kind == FRAME_INFO) {
      ++out.telemetry;
    }
    reader.ReleaseFrame(frame);
    if (info) {
      ++out.telemetry;
      reader.ReleaseFrame(info);
    }
    info = nullptr;
  }
  std::sort(out.video.begin(), out.video.end());
  out.video.erase(std::unique(out.video.begin(), out.video.end()), out.video.end());
  return true;
}

// A script step other than a wait, when (steady clock, ms) its first call
// was made and when that call returned.
struct ScriptAction {
  ScriptStep step;
  double at_ms = 0;
  double done_ms = 0;
};

// Owns the decoder handle and the disk mount; the destructor gives both
// back, so every early return of a failed export leaves nothing behind.
class Playback {
 public:
  explicit Playback(const Options& options) : options_(options) {
    g_events = &events_;
    BR_Initialize();
  }
  ~Playback() {
    Finish();
    BR_UnInitialize();
    g_events = nullptr;
  }
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;

  bool Run();
  // Closes every channel, unmounts and erases the handle; idempotent.
  void Finish();

  const std::string& disk_folder() const { return disk_folder_; }
  int sync_channel() const { return sync_channel_; }
  const testing::MemoryTarget& target(size_t channel) const { return *targets_[channel]; }
  const Events& events() const { return events_; }
  double played_seconds() const { return played_ms_ / 1000; }
  double start_ms() const { return start_ms_; }
  const std::vector<ScriptAction>& actions() const { return actions_; }
  const char* stopped_by() const { return stopped_by_; }
  const std::vector<std::string>& snapshots() const { return snapshots_; }

 private:
  bool Fail(const std::string& what) {
    std::fprintf(stderr, "brisca play: %s\n", what.c_str());
    return false;
  }
  bool MountDisk();
  // Lists the local source and mounts what it needs; false when it lists
  // nothing or a name is not in its list.
  bool ListSource();
  bool TakeSnapshots();
  bool AllEnded() const;
  // Runs the script up to `now`; false when a call failed.
  bool RunScript(double now);
  bool Check(int32_t result, const char* call, int64_t value) {
    if (result == 0) return true;
    return Fail(std::string(call) + "(" + std::to_string(value) + ") of the script failed (" +
                std::to_string(result) + ")");
  }

  const Options& options_;
  Events events_;
  // Each channel's "window": copies every picture it is handed into one
  // buffer, as a window's back buffer would, and notes when each arrived.
  std::vector<std::unique_ptr<testing::MemoryTarget>> targets_;
  uint32_t handle_ = 0;
  bool mounted_ = false;
  std::string disk_folder_;
  int sync_channel_ = 0;
  double start_ms_ = 0;
  double played_ms_ = 0;
  const char* stopped_by_ = "";
  // The script's progress: the next step, when the one under way is done,
  // and what it still has to do then.
  size_t next_step_ = 0;
  double script_due_ms_ = 0;
  bool holding_pause_ = false;
  int64_t frames_to_step_ = 0;
  bool script_done_ = false;
  std::vector<ScriptAction> actions_;
  std::vector<std::string> snapshots_;
};

bool Playback::MountDisk() {
  if (!options_.disk_image.empty()) {
    disk_folder_ = options_.disk_image;
  } else {
    NvrSearchResult found[kDriveCount] = {};
    const int disks = NVR_SearchSD(-1, found);
    if (disks <= 0) return Fail("no recorder disk on C: to N: (see BRISCA_DRIVES)");
    // The last disk found is the one the listing shows.
    disk_folder_ = CIndexFileNvrMgr::DriveName(found[disks - 1].drive_index);
  }
  NVR_SetDir(disk_folder_.c_str(), 1);
  NVR_UnMount(handle_, 0);
  const int result = NVR_Mount(handle_, 0);
  if (result != 0) {
    return Fail("cannot mount the recorder disk " + disk_folder_ + " (NVR_Mount " +
                std::to_string(result) + ")");
  }
  mounted_ = true;
  return true;
}

bool Playback::ListSource() {
  NVR_SetDir(options_.source.c_str(), 0);
  RecFileParam* list = nullptr;
  const int count = NVR_GetFileParam(&list, nullptr, 0);
  if (!list) return Fail("cannot list " + options_.source + " (NVR_GetFileParam " +
                         std::to_string(count) + ")");
  std::vector<std::string> listed;
  for (int i = 0; i < count; ++i) listed.emplace_back(list[i].name);
  NVR_FreeFileParam(list);
  for (const std::string& name : options_.names) {
    if (std::find(listed.begin(), listed.end(), name) == listed.end())
      return Fail(name + " is not among the " + std::to_string(count) + " recordings of " +
                  options_.source);
  }
  NVR_UnMount(handle_, 0);
  const int result = NVR_Mount(handle_, 0);
  if (result != 0)
    return Fail("cannot mount " + options_.source + " (NVR_Mount " + std::to_string(result) + ")");
  mounted_ = true;
  return true;
}

bool Playback::AllEnded() const {
  for (size_t i = 0; i < options_.names.size(); ++i)
    if (events_.ends[i].load() == 0) return false;
  return true;
}

bool Playback::TakeSnapshots() {
  std::error_code error;
  std::filesystem::create_directories(options_.snapshot_dir, error);
  for (size_t i = 0; i < options_.names.size(); ++i) {
    const std::string path = options_.snapshot_dir + "/channel" + std::to_string(i) + ".bmp";
    unsigned char stamp[16] = {};
    const int result = BR_CaptureBMP(handle_, static_cast<int32_t>(i), path.c_str(), stamp);
    if (result != 0) {
      return Fail("BR_CaptureBMP of channel " + std::to_string(i) + " failed (" +
                  std::to_string(result) + ")");
    }
    if (std::filesystem::exists(path, error)) {
      snapshots_.push_back(path);
    } else {
      std::fprintf(stderr, "brisca play: channel %zu had no picture to write to %s\n", i,
                   path.c_str());
    }
  }
  return true;
}

bool Playback::RunScript(double now) {
  while (now >= script_due_ms_) {
    if (holding_pause_) {
      holding_pause_ = false;
      if (!Check(BR_Pause(handle_, 0), "BR_Pause", 0)) return false;
    } else if (frames_to_step_ > 0) {
      --frames_to_step_;
      if (!Check(BR_PlayOneByOne(handle_), "BR_PlayOneByOne", 0)) return false;
      script_due_ms_ += kStepIntervalMs;
      continue;
    }
    if (next_step_ == options_.script.size()) {
      script_done_ = true;
      return true;
    }
    const ScriptStep& step = options_.script[next_step_++];
    if (IsAction(step.kind)) actions_.push_back({step, NowMs()});
    const auto value32 = static_cast<int32_t>(step.value);  // the parser kept it in range
    switch (step.kind) {
      case StepKind::kWait:
        script_due_ms_ += static_cast<double>(step.value);
        break;
      case StepKind::kPause:
        if (!Check(BR_Pause(handle_, 1), "BR_Pause", 1)) return false;
        holding_pause_ = true;
        script_due_ms_ += static_cast<double>(step.value);
        break;
      case StepKind::kSeek:
        if (!Check(BR_SetPlayTime(handle_, value32), "BR_SetPlayTime", step.value)) return false;
        break;
      case StepKind::kRate:
      case StepKind::kReverse:
        if (!Check(BR_SetPlayRate(handle_, value32, step.kind == StepKind::kReverse ? 1 : 0),
                   "BR_SetPlayRate", step.value)) {
          return false;
        }
        break;
      case StepKind::kStep:
        frames_to_step_ = step.value;
        break;
    }
    if (IsAction(step.kind)) actions_.back().done_ms = NowMs();
  }
  return true;
}

bool Playback::Run() {
  const size_t channels = options_.names.size();
  const bool any_disk = std::any_of(options_.names.begin(), options_.names.end(),
                                    [](const std::string& name) { return !IsStreamFile(name); });
  BR_CreateDecoder(&handle_);
  if (handle_ == 0) return Fail("BR_CreateDecoder gave no handle");
  if (!options_.source.empty()) {
    if (!ListSource()) return false;
  } else if (any_disk && !MountDisk()) {
    return false;
  }

  const unsigned formats = 1u << options_.format.code;
  for (size_t i = 0; i < channels; ++i) {
    targets_.push_back(std::make_unique<testing::MemoryTarget>(
        testing::MemoryTarget::Options{.formats = formats, .keep_pixels = true, .clock = NowMs}));
    const int result = BR_OpenFile(options_.names[i].c_str(), targets_[i]->target(),
                                   static_cast<int32_t>(i), handle_);
    if (result != 0) {
      return Fail("cannot open recording " + options_.names[i] + " in channel " +
                  std::to_string(i) + " (BR_OpenFile " + std::to_string(result) + ")");
    }
  }
  sync_channel_ = BR_GetSynChannel(handle_);
  if (sync_channel_ < 0 || sync_channel_ >= static_cast<int>(channels))
    return Fail("BR_GetSynChannel answered " + std::to_string(sync_channel_));
  if (BR_SetInfoFrameCallBack(handle_, 0, &OnInfoFrame) != 0)
    return Fail("BR_SetInfoFrameCallBack failed");
  if (BR_SetEndCallBack(handle_, 0, &OnEnd) != 0) return Fail("BR_SetEndCallBack failed");
  RecFileParam param{};
  if (BR_GetFileInfo(handle_, &param) != 0) return Fail("BR_GetFileInfo failed");
  const int64_t slow_factor = options_.rate < 0 ? -2 * int64_t{options_.rate} : 1;
  const double cap_ms =
      static_cast<double>(std::max(param.duration_ms, 0)) * static_cast<double>(slow_factor) +
      kEndGraceMs;

  const double start = NowMs();
  start_ms_ = start;
  script_due_ms_ = start;
  for (size_t i = 0; i < channels; ++i) {
    const int result = BR_Play(handle_, static_cast<int32_t>(i));
    if (result != 0)
      return Fail("BR_Play of channel " + std::to_string(i) + " failed (" +
                  std::to_string(result) + ")");
  }
  // Play puts a channel back to normal speed, so the rate comes after it.
  if (options_.rate != 0 || options_.reverse) {
    if (BR_SetPlayRate(handle_, options_.rate, options_.reverse ? 1 : 0) != 0)
      return Fail("BR_SetPlayRate failed");
  }

  bool snapshot_due = options_.snapshot_at_ms.has_value();
  std::optional<double> all_ended_at;
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    const double now = NowMs();
    const double elapsed = now - start;
    if (snapshot_due && elapsed >= static_cast<double>(*options_.snapshot_at_ms)) {
      snapshot_due = false;
      if (!TakeSnapshots()) return false;
    }
    if (!options_.script.empty() && !script_done_ && !RunScript(now)) return false;
    if (options_.seconds) {
      if (elapsed >= *options_.seconds * 1000) {
        stopped_by_ = "seconds";
        break;
      }
      continue;
    }
    if (!options_.script.empty()) {
      if (!script_done_) continue;
      stopped_by_ = "script";
      break;
    }
    if (!all_ended_at && AllEnded()) all_ended_at = elapsed;
    if (all_ended_at && elapsed - *all_ended_at >= kAfterEndsMs) {
      stopped_by_ = "ends";
      break;
    }
    if (elapsed >= cap_ms) {
      stopped_by_ = "cap";
      std::fprintf(stderr, "brisca play: not every channel reported its end within %.0f s\n",
                   cap_ms / 1000);
      break;
    }
  }
  if (snapshot_due && !TakeSnapshots()) return false;
  played_ms_ = NowMs() - start;
  Finish();
  return true;
}

void Playback::Finish() {
  if (handle_ == 0) return;
  for (size_t i = 0; i < targets_.size(); ++i) BR_CloseFile(handle_, static_cast<int32_t>(i));
  if (mounted_) NVR_UnMount(handle_, 0);
  mounted_ = false;
  BR_EraseDecoder(handle_);
  handle_ = 0;
}

struct CpuTime {
  double user = 0;
  double system = 0;
};

CpuTime ProcessCpu() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

struct ChannelReport {
  const std::string* name;
  const testing::MemoryTarget* target;
  std::vector<ShownPicture> shown;  // the pictures of new frames, in arrival order
  uint64_t refreshes = 0;           // pictures of the frame shown before again
  RecordingFrames frames;
  ChannelFigures figures;
  // How far the channel's schedule runs from the synchronising channel's
  // (positive: later), at normal speed.
  double sync_offset_ms = 0;
  // The largest distance from the synchronising channel's moment; nothing
  // for that channel itself and for a channel never compared.
  std::optional<double> sync_distance_ms;
  size_t given_up = 0;
  int ends = 0;
};

// The largest distance over every follower within kSettleMs of a script
// action, and from then until the next action.
struct ActionReport {
  ScriptStep step;
  double at_ms = 0;  // from the start of playing
  std::optional<double> settling_ms;
  std::optional<double> after_ms;
};

// Milliseconds to a tenth, or `none`.
std::string OptionalMs(const std::optional<double>& value, const char* none = "null") {
  if (!value) return none;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", *value);
  return text;
}

void PrintJson(const Options& options, const Playback& playback, const CpuTime& cpu,
               double target_cpu, const std::vector<ChannelReport>& reports,
               const std::vector<ActionReport>& actions) {
  const Events& events = playback.events();
  std::printf("{\n  \"sync_channel\": %d, \"rate\": %d, \"reverse\": %s, \"format\": \"%s\",\n",
              playback.sync_channel(), options.rate, options.reverse ? "true" : "false",
              options.format.name);
  std::printf("  \"played_seconds\": %.3f, \"stopped_by\": \"%s\", \"cpu_seconds\": %.3f, "
              "\"cpu_user_seconds\": %.3f, \"cpu_system_seconds\": %.3f, "
              "\"target_cpu_seconds\": %.3f,\n",
              playback.played_seconds(), playback.stopped_by(), cpu.user + cpu.system, cpu.user,
              cpu.system, target_cpu);
  std::printf("  \"info_records\": %llu, \"info_out_of_order\": %llu, \"stray_end_events\": %d,\n",
              static_cast<unsigned long long>(events.info_records),
              static_cast<unsigned long long>(events.info_out_of_order), events.stray_ends.load());
  std::printf("  \"script\": %s,\n",
              options.script.empty() ? "null" : JsonString(options.script_text).c_str());
  std::printf("  \"snapshots\": [");
  for (size_t i = 0; i < playback.snapshots().size(); ++i)
    std::printf("%s%s", i ? ", " : "", JsonString(playback.snapshots()[i]).c_str());
  std::printf("],\n  \"channels\": [\n");
  for (size_t i = 0; i < reports.size(); ++i) {
    const ChannelReport& r = reports[i];
    const ChannelFigures& f = r.figures;
    std::printf("    {\"channel\": %zu, \"name\": %s, \"width\": %d, \"height\": %d, "
                "\"frames\": %zu, \"telemetry_records\": %zu, \"shown\": %zu, "
                "\"refreshes\": %llu, \"dropped\": %zu, \"not_in_recording\": %zu, "
                "\"refused_pictures\": %llu, \"mean_interval_ms\": %.3f, ",
                i, JsonString(*r.name).c_str(), r.target->last().width, r.target->last().height,
                r.frames.video.size(), r.frames.telemetry, f.shown,
                static_cast<unsigned long long>(r.refreshes), f.dropped,
                f.not_in_recording, static_cast<unsigned long long>(r.target->refused()),
                f.mean_interval_ms);
    if (f.timed) {
      const double share = f.shown ? static_cast<double>(f.on_time) / static_cast<double>(f.shown) : 0;
      std::printf("\"worst_deviation_ms\": %.3f, \"sync_offset_ms\": %.3f, "
                  "\"on_time\": %zu, \"on_time_share\": %.5f, \"late\": %zu, \"early\": %zu, ",
                  f.worst_deviation_ms, r.sync_offset_ms, f.on_time, share, f.late, f.early);
    } else {
      std::printf("\"worst_deviation_ms\": null, \"sync_offset_ms\": null, "
                  "\"on_time\": null, \"on_time_share\": null, \"late\": null, "
                  "\"early\": null, ");
    }
    std::printf("\"sync_distance_ms\": %s, \"given_up\": %zu, \"ends\": %d}%s\n",
                OptionalMs(r.sync_distance_ms).c_str(), r.given_up, r.ends,
                i + 1 < reports.size() ? "," : "");
  }
  if (options.script.empty()) {
    std::printf("  ],\n  \"script_actions\": null\n}\n");
    return;
  }
  std::printf("  ],\n  \"script_actions\": [\n");
  for (size_t i = 0; i < actions.size(); ++i) {
    const ActionReport& a = actions[i];
    std::printf("    {\"action\": \"%s\", \"value\": %lld, \"at_ms\": %.1f, \"settling\": %s, "
                "\"after_ms\": %s}%s\n",
                StepWord(a.step.kind), static_cast<long long>(a.step.value), a.at_ms,
                OptionalMs(a.settling_ms).c_str(), OptionalMs(a.after_ms).c_str(),
                i + 1 < actions.size() ? "," : "");
  }
  std::printf("  ]\n}\n");
}

void PrintText(const Options& options, const Playback& playback, const CpuTime& cpu,
               double target_cpu, const std::vector<ChannelReport>& reports,
               const std::vector<ActionReport>& actions) {
  const Events& events = playback.events();
  std::printf("played %zu channel(s) for %.2f s (stopped by %s), synchronising channel %d, "
              "rate %d %s, %s targets\n",
              reports.size(), playback.played_seconds(), playback.stopped_by(),
              playback.sync_channel(), options.rate, options.reverse ? "backward" : "forward",
              options.format.name);
  std::printf("process CPU %.2f s (user %.2f, system %.2f), of which memory targets %.2f s\n",
              cpu.user + cpu.system, cpu.user, cpu.system, target_cpu);
  std::printf("info records %llu, out of order %llu\n",
              static_cast<unsigned long long>(events.info_records),
              static_cast<unsigned long long>(events.info_out_of_order));
  if (events.stray_ends.load() > 0)
    std::printf("end events for channels outside 0-7: %d\n", events.stray_ends.load());
  std::printf("%-3s %7s %7s %8s %7s %6s %8s %9s %9s %9s %9s %8s %5s  %s\n", "ch", "frames",
              "shown", "refresh", "dropped", "late", "on-time", "mean-ms", "worst-ms", "sync-ms",
              "apart-ms", "given-up", "ends", "recording");
  for (size_t i = 0; i < reports.size(); ++i) {
    const ChannelReport& r = reports[i];
    const ChannelFigures& f = r.figures;
    std::printf("%-3zu %7zu %7zu %8llu %7zu ", i, r.frames.video.size(), f.shown,
                static_cast<unsigned long long>(r.refreshes), f.dropped);
    if (f.timed && f.shown) {
      std::printf("%6zu %7.1f%% %9.2f %9.2f %9.2f", f.late,
                  100.0 * static_cast<double>(f.on_time) / static_cast<double>(f.shown),
                  f.mean_interval_ms, f.worst_deviation_ms, r.sync_offset_ms);
    } else {
      std::printf("%6s %8s %9.2f %9s %9s", "-", "-", f.mean_interval_ms, "-", "-");
    }
    std::printf(" %9s %8zu %5d  %s (%dx%d)\n", OptionalMs(r.sync_distance_ms, "-").c_str(),
                r.given_up, r.ends, r.name->c_str(), r.target->last().width, r.target->last().height);
    if (f.not_in_recording || r.target->refused()) {
      std::printf("    %zu shown timestamps not in the recording, %llu pictures refused\n",
                  f.not_in_recording, static_cast<unsigned long long>(r.target->refused()));
    }
  }
  for (const std::string& path : playback.snapshots()) std::printf("snapshot %s\n", path.c_str());
  if (!options.script.empty()) {
    std::printf("script: %s\n", options.script_text.c_str());
    std::printf("largest distance between channels (ms) after each action, within %.0f ms and "
                "later:\n", kSettleMs);
  }
  for (const ActionReport& a : actions) {
    std::printf("  %8.2f s  %-7s %7lld  %9s %9s\n", a.at_ms / 1000, StepWord(a.step.kind),
                static_cast<long long>(a.step.value), OptionalMs(a.settling_ms, "-").c_str(),
                OptionalMs(a.after_ms, "-").c_str());
  }
}

// Lists the frames of every recording, the disk ones through this
// process's own mount of the disk the playback used.
bool ListAllFrames(const Options& options, const std::string& disk_folder,
                   std::vector<ChannelReport>& reports) {
  // This copy of the library lists the local source itself, as the
  // playback's did, so that the names open from the same source.
  const bool any_disk = !disk_folder.empty() || !options.source.empty();
  if (!options.source.empty()) {
    DiskManager().SetDir(options.source.c_str(), 0);
    RecFileParam* list = nullptr;
    DiskManager().GetFileParam(&list);
    FreeFileParamArray(list);
  } else if (any_disk) {
    DiskManager().SetDir(disk_folder.c_str(), 1);
  }
  if (any_disk) {
    if (DiskManager().Mount() != 0) {
      std::fprintf(stderr, "brisca play: cannot mount %s to list frames\n",
                   disk_folder.empty() ? options.source.c_str() : disk_folder.c_str());
      return false;
    }
  }
  bool ok = true;
  for (size_t i = 0; i < reports.size() && ok; ++i) {
    if (!ListFrames(options.names[i], reports[i].frames)) {
      std::fprintf(stderr, "brisca play: cannot read the frames of %s\n",
                   options.names[i].c_str());
      ok = false;
    }
  }
  if (any_disk) DiskManager().Unmount();
  return ok;
}

// Phases of play between the script's actions, each known to be forward
// at normal speed or not.
std::vector<PlayPhase> PhasesOf(const Options& options, const Playback& playback) {
  int64_t rate = options.rate;
  bool reverse = options.reverse;
  bool playing = true;
  std::vector<PlayPhase> phases = {{playback.start_ms(), rate == 0 && !reverse}};
  for (const ScriptAction& action : playback.actions()) {
    switch (action.step.kind) {
      case StepKind::kPause:
        playing = true;  // resumed before the phase ends
        break;
      case StepKind::kStep:
        playing = false;  // stays paused after the last frame
        break;
      case StepKind::kRate:
      case StepKind::kReverse:
        rate = action.step.value;
        reverse = action.step.kind == StepKind::kReverse;
        break;
      case StepKind::kSeek:
      case StepKind::kWait:
        break;
    }
    // While the call runs (a seek decodes on the caller's thread) channels
    // still show pictures of before it: that span belongs to no phase.
    phases.push_back({action.at_ms, false});
    phases.push_back({action.done_ms, playing && rate == 0 && !reverse});
  }
  return phases;
}

// Fills in each channel's distance from the synchronising channel and the
// frames it gave up, and returns the distances around each script action.
std::vector<ActionReport> CompareChannels(const Options& options, const Playback& playback,
                                          std::vector<ChannelReport>& reports) {
  const std::vector<PlayPhase> phases = PhasesOf(options, playback);
  std::vector<ChannelTrack> tracks(reports.size());
  for (size_t i = 0; i < reports.size(); ++i) {
    tracks[i] = {reports[i].shown, reports[i].frames.video, reports[i].frames.clock};
    reports[i].given_up = GivenUp(tracks[i].shown, tracks[i].frames, phases);
  }
  const auto sync = static_cast<size_t>(playback.sync_channel());
  std::vector<SyncSample> all;
  constexpr double kAlways = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < reports.size(); ++i) {
    if (i == sync) continue;
    const std::vector<SyncSample> samples = SyncDistances(tracks[i], tracks[sync]);
    reports[i].sync_distance_ms = LargestDistance(samples, -kAlways, kAlways);
    all.insert(all.end(), samples.begin(), samples.end());
  }

  std::vector<ActionReport> actions;
  const std::vector<ScriptAction>& done = playback.actions();
  for (size_t i = 0; i < done.size(); ++i) {
    const double at = done[i].at_ms;
    const double next = i + 1 < done.size() ? done[i + 1].at_ms : kAlways;
    const double settled = std::min(at + kSettleMs, next);
    actions.push_back({done[i].step, at - playback.start_ms(), LargestDistance(all, at, settled),
                       LargestDistance(all, settled, next)});
  }
  return actions;
}

}  // namespace

int RunPlayCommand(int argc, char** argv) {
  const std::optional<Options> parsed = ParseOptions(argc, argv);
  if (!parsed) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const Options& options = *parsed;
  Playback playback(options);
  if (!playback.Run()) return 1;
  const CpuTime cpu = ProcessCpu();

  std::vector<ChannelReport> reports(options.names.size());
  for (size_t i = 0; i < reports.size(); ++i) {
    reports[i].name = &options.names[i];
    reports[i].target = &playback.target(i);
    for (const testing::Presented& p : reports[i].target->distinct())
      reports[i].shown.push_back({p.timestamp, p.tick});
    reports[i].refreshes = reports[i].target->presented().size() - reports[i].shown.size();
    reports[i].ends = playback.events().ends[i].load();
  }
  if (!ListAllFrames(options, playback.disk_folder(), reports)) return 1;

  // Due times exist at normal speed only, and only while nothing but
  // waits changes how the channels play.
  const bool timed = options.rate == 0 &&
                     std::none_of(options.script.begin(), options.script.end(),
                                  [](const ScriptStep& step) { return IsAction(step.kind); });
  double target_cpu = 0;
  for (ChannelReport& r : reports) {
    r.figures = ComputeFigures(r.shown, r.frames.video, options.reverse, r.ends > 0,
                               timed);
    target_cpu += r.target->cpu_seconds();
  }
  const size_t sync = static_cast<size_t>(playback.sync_channel());
  if (sync < reports.size() && reports[sync].figures.timed) {
    for (ChannelReport& r : reports) r.sync_offset_ms = r.figures.schedule_ms - reports[sync].figures.schedule_ms;
  }

  const std::vector<ActionReport> actions = CompareChannels(options, playback, reports);

  if (options.json) {
    PrintJson(options, playback, cpu, target_cpu, reports, actions);
  } else {
    PrintText(options, playback, cpu, target_cpu, reports, actions);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace brisca::tools
