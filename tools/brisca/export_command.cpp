// `brisca export NAME... -o FOLDER`: copies recordings of the SD card (or of
// an export folder) into FOLDER through libbrisca.so's card and export
// exports, as a program using the library would, with a progress bar on the
// terminal. The folder reads back with `brisca list --card --folder FOLDER`.
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "brisca/api/brisca.h"
#include "brisca/card/physical_drive.h"
#include "brisca/export/write_destination.h"
#include "tools/brisca/commands.h"

namespace brisca::tools {
namespace {

constexpr const char* kUsage =
    "usage: brisca export NAME... -o FOLDER [--folder DIR] [--overwrite]\n"
    "  Copies the recordings NAME (\"P\\F\\S\", as 'brisca list --card' shows them) of the\n"
    "  SD card found on the physical drives (see BRISCA_PHYSICAL_DRIVES), or of the\n"
    "  export folder DIR, into FOLDER, which is made when missing. An earlier export\n"
    "  in FOLDER is replaced only with --overwrite, and only once the new one is\n"
    "  whole. FOLDER must lie apart from DIR or the card's drive.\n";

constexpr size_t kNameSlotBytes = 260;
constexpr int kBarWidth = 40;

struct Options {
  std::vector<std::string> names;
  std::string output;
  std::string source_folder;  // empty: the card on the physical drives
  bool overwrite = false;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--overwrite") {
      options->overwrite = true;
    } else if (arg == "-o" || arg == "--folder") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "brisca export: %s needs a value\n", argv[i]);
        return false;
      }
      (arg == "-o" ? options->output : options->source_folder) = argv[++i];
    } else if (arg.substr(0, 1) == "-") {
      std::fprintf(stderr, "brisca export: %s is not an option of export\n", argv[i]);
      return false;
    } else if (arg.size() >= kNameSlotBytes) {
      std::fprintf(stderr, "brisca export: %s is not a recording name\n", argv[i]);
      return false;
    } else {
      options->names.emplace_back(arg);
    }
  }
  if (options->names.empty() || options->output.empty()) {
    std::fputs(kUsage, stderr);
    return false;
  }
  return true;
}

// Loads the card index the export reads from; false with a message when
// there is no card or its index cannot be read. `listed`: its recordings;
// `sources`: the folder or the drives of the cards found.
bool LoadIndex(const Options& options, std::set<std::string>* listed,
               std::vector<std::string>* sources) {
  if (!options.source_folder.empty()) {
    JV_SetDir(options.source_folder.c_str(), 0);
    sources->push_back(options.source_folder);
  } else {
    JvSearchResult found[16] = {};
    const int32_t cards = JV_SearchSD(-1, found);
    if (cards <= 0) {
      std::fprintf(stderr,
                   "brisca export: no card on physical drives 0-15 (see BRISCA_PHYSICAL_DRIVES)\n");
      return false;
    }
    for (int32_t i = 0; i < cards; ++i)
      sources->push_back(PhysicalDrivePath(found[i].drive, HostPhysicalDriveTable()));
  }
  RecFileParam* list = nullptr;
  const int32_t count = JV_GetFileParam(&list, nullptr, 0);
  if (count < 0) {
    std::fprintf(stderr, "brisca export: reading the card index failed (%d)\n", count);
    return false;
  }
  for (int32_t i = 0; i < count; ++i) listed->insert(list[i].name);
  JV_FreeFileParam(list);
  return true;
}

// The export's reports; written by the callback on the export's worker.
struct Progress {
  std::mutex mutex;
  std::condition_variable changed;
  int32_t value = 0;
  bool ended = false;
  int shown = -1;
  bool bar = false;
};
Progress progress;

void BRISCA_CALL OnProgress(int32_t, int32_t value) {
  {
    const std::lock_guard lock(progress.mutex);
    progress.value = value;
    progress.ended = value == -1 || value == 100;
    if (progress.bar && value >= 0 && value != progress.shown) {
      progress.shown = value;
      const int filled = value * kBarWidth / 100;
      std::fprintf(stderr, "\r[%.*s%*s] %3d %%", filled,
                   "########################################", kBarWidth - filled, "", value);
      std::fflush(stderr);
    }
  }
  progress.changed.notify_all();
}

}  // namespace

int RunExportCommand(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 2;
  std::set<std::string> listed;
  std::vector<std::string> sources;
  if (!LoadIndex(options, &listed, &sources)) return 1;
  // Checked before the folder is made: making it inside the source would
  // already change the source.
  for (const std::string& source : sources) {
    if (DestinationOverlapsSource(options.output, source)) {
      std::fprintf(stderr,
                   "brisca export: %s is, holds or lies inside %s, which the export reads; "
                   "nothing was written\n",
                   options.output.c_str(), source.c_str());
      return 1;
    }
  }
  for (const std::string& name : options.names) {
    if (!listed.contains(name)) {
      std::fprintf(stderr, "brisca export: %s is not a recording of the card (see brisca list "
                   "--card)\n", name.c_str());
      return 1;
    }
  }
  std::error_code error;
  const bool made = std::filesystem::create_directories(options.output, error);
  if (error || !std::filesystem::is_directory(options.output)) {
    std::fprintf(stderr, "brisca export: cannot make the folder %s\n", options.output.c_str());
    return 1;
  }
  // A folder the command made goes again when the export does not happen.
  const auto undo = [&] {
    if (made) std::filesystem::remove(options.output, error);
  };
  if (JV_IsExistsExortFile(options.output.c_str()) && !options.overwrite) {
    std::fprintf(stderr,
                 "brisca export: %s already holds an export; --overwrite replaces it\n",
                 options.output.c_str());
    return 1;
  }

  std::vector<char> slots(options.names.size() * kNameSlotBytes, '\0');
  for (size_t i = 0; i < options.names.size(); ++i)
    options.names[i].copy(&slots[i * kNameSlotBytes], kNameSlotBytes - 1);
  progress.bar = isatty(2) != 0;
  uint32_t handle = 0;
  if (JV_StartExortFile(slots.data(), static_cast<int32_t>(options.names.size()),
                        options.output.c_str(), OnProgress, 0, &handle) != 0) {
    std::fprintf(stderr, "brisca export: the export could not start; nothing was written\n");
    undo();
    return 1;
  }
  int32_t result = 0;
  {
    std::unique_lock lock(progress.mutex);
    progress.changed.wait(lock, [] { return progress.ended; });
    result = progress.value;
  }
  JV_StopExortFile(handle);
  if (progress.bar) std::fputc('\n', stderr);
  if (result != 100) {
    std::fprintf(stderr, "brisca export: the export failed (see the log); %s was left as it was\n",
                 options.output.c_str());
    undo();
    return 1;
  }
  std::printf("exported %zu recording(s) to %s\n", options.names.size(), options.output.c_str());
  return 0;
}

}  // namespace brisca::tools
