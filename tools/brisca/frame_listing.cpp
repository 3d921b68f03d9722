#include "tools/brisca/frame_listing.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/md5.h>
}

namespace brisca::tools {

std::string Md5Hex(const uint8_t* data, size_t size) {
  uint8_t digest[16];
  av_md5_sum(digest, data, size);
  char hex[33];
  for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
  return std::string(hex, 32);
}

namespace {

std::string FormatTelemetry(const InfoRecord& info) {
  char text[160];
  const int year = info.HasClock() ? 2000 + info.year : 0;
  std::snprintf(text, sizeof text,
                "\t%04d-%02u-%02u %02u:%02u:%02u\t%c\t%u\t%.7f\t%.7f\t%.2f",
                year, info.month, info.day, info.hour, info.minute,
                info.second, info.fix_status ? info.fix_status : '-',
                info.speed_kmh, info.LatitudeDegrees(),
                info.LongitudeDegrees(), info.HeadingDegrees());
  return text;
}

}  // namespace

std::string FormatFrameLine(FrameKind kind, uint64_t timestamp,
                            const uint8_t* data, size_t length) {
  char head[64];
  std::snprintf(head, sizeof head, "%u\t%" PRIu64 "\t%zu\t",
                static_cast<unsigned>(kind), timestamp, length);
  std::string line = head + Md5Hex(data, length);
  if (kind == FRAME_INFO && length == sizeof(InfoRecord)) {
    InfoRecord info;
    std::memcpy(&info, data, sizeof info);
    line += FormatTelemetry(info);
  }
  return line;
}

}  // namespace brisca::tools
