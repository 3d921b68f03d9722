// `brisca telemetry FILE --format csv|gpx [-o OUT]`: the telemetry of a
// device recording as CSV or as a GPX 1.1 track. With `--disk IMAGE` or
// `--card IMAGE` the first argument is instead the name of a recording of
// that recorder-disk or SD-card image, as `brisca list --source` lists it.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brisca/disk/disk_manager.h"
#include "brisca/export/write_destination.h"
#include "brisca/recordings/listed_reader.h"
#include "brisca/recordings/listed_source.h"
#include "tools/brisca/commands.h"
#include "tools/brisca/telemetry_formats.h"
#include "tools/brisca/telemetry_track.h"

namespace brisca::tools {
namespace {

constexpr const char* kUsage =
    "usage: brisca telemetry FILE --format csv|gpx [-o OUT]\n"
    "       brisca telemetry NAME --disk IMAGE|--card IMAGE --format csv|gpx [-o OUT]\n"
    "  FILE is a device recording file; NAME a recording of the recorder-disk image\n"
    "  (--disk) or of the SD-card image or export folder (--card), as 'brisca list\n"
    "  --source' lists it. OUT defaults to standard output.\n";

enum class Medium { kFile, kDisk, kCard };

struct Options {
  std::string name;  // the file, or the recording's name
  Medium medium = Medium::kFile;
  std::string image;  // of --disk or --card
  std::string_view format;
  const char* output = nullptr;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--format" && has_value) {
      options.format = argv[++i];
    } else if (arg == "-o" && has_value) {
      options.output = argv[++i];
    } else if ((arg == "--disk" || arg == "--card") && has_value) {
      if (options.medium != Medium::kFile) {
        std::fputs("brisca telemetry: --disk and --card exclude each other\n", stderr);
        return std::nullopt;
      }
      options.medium = arg == "--disk" ? Medium::kDisk : Medium::kCard;
      options.image = argv[++i];
    } else if (options.name.empty() && !arg.empty() && !arg.starts_with("-")) {
      options.name = arg;
    } else {
      std::fputs(kUsage, stderr);
      return std::nullopt;
    }
  }
  if (options.name.empty() || (options.format != "csv" && options.format != "gpx")) {
    std::fputs(kUsage, stderr);
    return std::nullopt;
  }
  return options;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "brisca telemetry: %s\n", message.c_str());
  return 1;
}

// Lists the image as the player's local search does, so that a name opens
// from there only when that listing holds it, and the image is of the kind
// asked for. Then reads the recording through the reader playback uses.
std::optional<std::vector<TelemetryPoint>> ReadListedRecording(const Options& options) {
  CIndexFileNvrMgr& manager = DiskManager();
  manager.SetDir(options.image.c_str(), 0);
  RecFileParam* list = nullptr;
  const int count = manager.GetFileParam(&list);
  if (!list) {
    Fail(options.image + " holds no recordings this library reads");
    return std::nullopt;
  }
  bool listed = false;
  for (int i = 0; i < count && !listed; ++i) listed = options.name == list[i].name;
  FreeFileParamArray(list);
  const ListedSource source = CurrentListedSource();
  if (options.medium == Medium::kDisk && !source.is_disk()) {
    Fail(options.image + " is no recorder-disk image" +
         (source.is_card() ? " but an SD card's (use --card)" : ""));
    return std::nullopt;
  }
  if (options.medium == Medium::kCard && !source.is_card()) {
    Fail(options.image + " is no SD-card image or export folder" +
         (source.is_disk() ? " but a recorder disk's (use --disk)" : ""));
    return std::nullopt;
  }
  if (!listed) {
    Fail(options.name + " is not among the " + std::to_string(count) + " recordings of " +
         options.image);
    return std::nullopt;
  }
  if (manager.Mount() != 0) {
    Fail("cannot mount " + options.image);
    return std::nullopt;
  }
  std::optional<std::vector<TelemetryPoint>> points;
  {
    ListedReader made = MakeListedReader(options.name.c_str());
    if (!made.reader || made.reader->Open(options.name.c_str()) != 0) {
      Fail("cannot open the recording " + options.name + " of " + options.image);
    } else {
      points = ReadTelemetry(*made.reader, made.units_per_ms);
    }
  }
  manager.Unmount();
  return points;
}

}  // namespace

int RunTelemetryCommand(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) return 2;
  const bool from_file = options->medium == Medium::kFile;
  const std::string& source = from_file ? options->name : options->image;
  // Opening OUT truncates it: were it what is read, the evidence would go.
  if (options->output && DestinationOverlapsSource(options->output, source))
    return Fail(std::string(options->output) + " is, holds or lies inside " + source +
                ", which is read; nothing was written");
  std::optional<std::vector<TelemetryPoint>> points;
  if (from_file) {
    points = ReadTelemetry(options->name.c_str());
    if (!points) return Fail(options->name + " is no device recording this library reads");
  } else {
    points = ReadListedRecording(*options);
    if (!points) return 1;
  }
  std::FILE* out = options->output ? std::fopen(options->output, "w") : stdout;
  if (!out) return Fail(std::string("cannot create ") + options->output);
  size_t fixes = 0;
  if (options->format == "csv") {
    WriteTelemetryCsv(out, *points);
  } else {
    const std::string track =
        from_file ? std::filesystem::path(options->name).filename().string() : options->name;
    fixes = WriteTelemetryGpx(out, *points, track);
  }
  const bool clean = std::ferror(out) == 0;
  const bool written = (out == stdout ? std::fflush(out) : std::fclose(out)) == 0 && clean;
  if (!written) return Fail("writing failed");
  if (options->format == "gpx") {
    std::fprintf(stderr, "%zu telemetry records, %zu fixes in the track\n", points->size(), fixes);
  } else {
    std::fprintf(stderr, "%zu telemetry records\n", points->size());
  }
  // Card containers hold video and sound only: say why the track is empty.
  if (points->empty() && options->medium == Medium::kCard)
    std::fputs("brisca telemetry: card recordings carry no telemetry\n", stderr);
  return 0;
}

}  // namespace brisca::tools
