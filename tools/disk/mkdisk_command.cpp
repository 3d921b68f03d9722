#include "tools/disk/mkdisk_command.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/talvo_file_system/disk_image_writer.h"
#include "tools/disk/disk_summary.h"
#include "tools/disk/stream_segment.h"

namespace brisca::tools {
namespace {

constexpr const char* kUsage =
    "usage: brisca mkdisk OUT [--disk-number N] --segment channel=C,type=T,file=STREAM ...\n"
    "  --disk-number N   the disk number, the first part of every segment id (1)\n"
    "  --segment SPEC    one recording: its 0-based channel (0-31), record type\n"
    "                    and stream file; file= comes last and takes the rest of\n"
    "                    the text. Repeat for every recording.\n"
    "  The record type is a byte of cause bits, decimal or 0x hex: 0x08 manual,\n"
    "  0x10 overspeed alarm, 0x20 emergency alarm, 0x40 DMS alarm (e.g. 0x28).\n";

struct SegmentSpec {
  uint8_t channel = 0;
  uint8_t record_type = 0;
  std::string file;
};

// Decimal, or hexadecimal after "0x".
template <typename T>
bool ParseNumber(std::string_view text, T max, T& value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  T parsed{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed, base);
  if (ec != std::errc() || end != text.data() + text.size() || parsed > max) return false;
  value = parsed;
  return true;
}

std::optional<SegmentSpec> ParseSegment(std::string_view text) {
  SegmentSpec spec;
  bool has_channel = false;
  bool has_type = false;
  while (!text.empty()) {
    if (text.substr(0, 5) == "file=") {
      spec.file = text.substr(5);
      break;
    }
    const size_t comma = text.find(',');
    const std::string_view part = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    if (part.substr(0, 8) == "channel=") {
      if (!ParseNumber<uint8_t>(part.substr(8), tvfs::kMaxChannel, spec.channel)) return std::nullopt;
      has_channel = true;
    } else if (part.substr(0, 5) == "type=") {
      if (!ParseNumber<uint8_t>(part.substr(5), UINT8_MAX, spec.record_type)) {
        return std::nullopt;
      }
      has_type = true;
    } else {
      return std::nullopt;
    }
  }
  if (!has_channel || !has_type || spec.file.empty()) return std::nullopt;
  return spec;
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "brisca mkdisk: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

int Build(const std::string& out, uint32_t disk_number, const std::vector<SegmentSpec>& specs) {
  tvfs::DiskImageWriter writer(disk_number);
  std::string error;
  for (const SegmentSpec& spec : specs) {
    disk::StreamSurvey survey;
    if (!disk::AddStreamFile(writer, spec.channel, spec.record_type, spec.file, survey, error)) {
      std::fprintf(stderr, "brisca mkdisk: %s\n", error.c_str());
      return 1;
    }
  }
  tvfs::WriteReport report;
  if (!writer.Write(out, report, error)) {
    std::fprintf(stderr, "brisca mkdisk: %s\n", error.c_str());
    return 1;
  }
  disk::PrintDiskSummary(stdout, out, disk_number, report);
  return 0;
}

}  // namespace

int RunMkdiskCommand(int argc, char** argv) {
  if (argc < 1) return Usage("an output file is required");
  const std::string out = argv[0];
  if (out.empty() || out[0] == '-') return Usage("an output file is required");
  uint32_t disk_number = 1;
  std::vector<SegmentSpec> specs;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (i + 1 >= argc) return Usage("missing value or unknown option: " + std::string(name));
    const std::string_view value = argv[++i];
    if (name == "--disk-number") {
      if (!ParseNumber<uint32_t>(value, UINT32_MAX, disk_number)) {
        return Usage("bad disk number: " + std::string(value));
      }
    } else if (name == "--segment") {
      const std::optional<SegmentSpec> spec = ParseSegment(value);
      if (!spec) return Usage("bad segment: " + std::string(value));
      specs.push_back(*spec);
    } else {
      return Usage("unknown option: " + std::string(name));
    }
  }
  if (specs.empty()) return Usage("at least one --segment is required");
  try {
    return Build(out, disk_number, specs);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "brisca mkdisk: %s\n", failure.what());
    return 1;
  }
}

}  // namespace brisca::tools
