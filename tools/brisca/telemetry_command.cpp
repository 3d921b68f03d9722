// `brisca telemetry FILE --format csv|gpx [-o OUT]`: the telemetry of a
// device recording as CSV or as a GPX 1.1 track.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/brisca/commands.h"
#include "tools/brisca/telemetry_formats.h"
#include "tools/brisca/telemetry_track.h"

namespace brisca::tools {
namespace {

constexpr const char* kUsage =
    "usage: brisca telemetry FILE --format csv|gpx [-o OUT]   (a device recording file;\n"
    "       OUT defaults to standard output)\n";

}  // namespace

int RunTelemetryCommand(int argc, char** argv) {
  const char* path = nullptr;
  std::string_view format;
  const char* output = nullptr;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--format" && i + 1 < argc) {
      format = argv[++i];
    } else if (arg == "-o" && i + 1 < argc) {
      output = argv[++i];
    } else if (!path && !arg.starts_with("-")) {
      path = argv[i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (!path || (format != "csv" && format != "gpx")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const auto points = ReadTelemetry(path);
  if (!points) {
    std::fprintf(stderr, "brisca telemetry: %s is no device recording this library reads\n", path);
    return 1;
  }
  std::FILE* out = output ? std::fopen(output, "w") : stdout;
  if (!out) {
    std::fprintf(stderr, "brisca telemetry: cannot create %s\n", output);
    return 1;
  }
  size_t fixes = 0;
  if (format == "csv") {
    WriteTelemetryCsv(out, *points);
  } else {
    fixes = WriteTelemetryGpx(out, *points, std::filesystem::path(path).filename().string());
  }
  const bool clean = std::ferror(out) == 0;
  const bool written = (out == stdout ? std::fflush(out) : std::fclose(out)) == 0 && clean;
  if (!written) {
    std::fprintf(stderr, "brisca telemetry: writing failed\n");
    return 1;
  }
  if (format == "gpx") {
    std::fprintf(stderr, "%zu telemetry records, %zu fixes in the track\n", points->size(), fixes);
  } else {
    std::fprintf(stderr, "%zu telemetry records\n", points->size());
  }
  return 0;
}

}  // namespace brisca::tools
