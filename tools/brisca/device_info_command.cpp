// `brisca info FILE`: the summary record of a device recording, through the
// library's exports as a program would ask for it: BR_GetFileParam for the
// summary, the index reader for the timestamps.
#include <cinttypes>
#include <cstdio>

#include "brisca/api/brisca.h"
#include "tools/brisca/commands.h"

namespace brisca::tools {
namespace {

void PrintTime(const char* label, const BR_SYSTEMTIME& time) {
  std::printf("%-16s %04u-%02u-%02u %02u:%02u:%02u\n", label, unsigned{time.year},
              unsigned{time.month}, unsigned{time.day}, unsigned{time.hour},
              unsigned{time.minute}, unsigned{time.second});
}

// The record's fixed-size texts, which need not end with a zero.
void PrintText(const char* label, const char* text, size_t size) {
  size_t length = 0;
  while (length < size && text[length] != '\0') ++length;
  std::printf("%-16s %.*s\n", label, static_cast<int>(length), text);
}

}  // namespace

int RunDeviceInfoCommand(int argc, char** argv) {
  if (argc != 1) {
    std::fputs("usage: brisca info FILE   (a device recording file)\n", stderr);
    return 2;
  }
  const char* path = argv[0];
  uint32_t decoder = 0;
  BR_CreateDecoder(&decoder);
  RecFileParam summary{};
  const int32_t result = BR_GetFileParam(decoder, &summary, path);
  BR_EraseDecoder(decoder);
  uint32_t reader = 0;
  RecFileParam opened{};
  if (result != 0 || BR_OpenIndexReader(path, &reader) != 0) {
    std::fprintf(stderr, "brisca info: %s is no device recording this library reads\n", path);
    return 1;
  }
  BR_GetIndexFileInfo(reader, &opened);
  BR_CloseIndexReader(reader);

  std::printf("%-16s %s\n", "file", path);
  PrintText("device type", summary.device_type, sizeof summary.device_type);
  PrintTime("start time", summary.start_time);
  PrintTime("end time", summary.end_time);
  std::printf("%-16s %" PRIu64 " us\n", "first timestamp", uint64_t{opened.start});
  std::printf("%-16s %" PRIu64 " us\n", "last timestamp", uint64_t{opened.end});
  std::printf("%-16s %d ms\n", "duration", summary.duration_ms);
  std::printf("%-16s %d\n", "channel", summary.channel);
  std::printf("%-16s %d\n", "record type", summary.record_type);
  const char* labels[4] = {"text A", "text B", "text C", "text D"};
  for (int i = 0; i < 4; ++i)
    PrintText(labels[i], summary.device_text[i], sizeof summary.device_text[i]);
  return 0;
}

}  // namespace brisca::tools
