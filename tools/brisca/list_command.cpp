// `brisca list --disk [--json]`: probes the drive names for recorder disks
// and prints every recording the chosen disk lists.
#include <cstdio>
#include <cstring>

#include "brisca/recordings/index_file_nvr_mgr.h"
#include "tools/brisca/commands.h"

namespace brisca::tools {
namespace {

void PrintTime(const BR_SYSTEMTIME& t) {
  std::printf("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

void PrintText(const RecFileParam& r) {
  std::printf("%s\t", r.name);
  PrintTime(r.start_time);
  std::printf("\t");
  PrintTime(r.end_time);
  std::printf("\t%llu\t%llu\t%d\t%d\t%d\n", static_cast<unsigned long long>(r.start),
              static_cast<unsigned long long>(r.end), r.duration_ms, r.channel, r.record_type);
}

void PrintJson(const RecFileParam& r, bool last) {
  std::printf("  {\"name\": \"");
  for (const char* c = r.name; *c; ++c) std::printf(*c == '\\' ? "\\\\" : "%c", *c);
  std::printf("\", \"start\": \"");
  PrintTime(r.start_time);
  std::printf("\", \"end\": \"");
  PrintTime(r.end_time);
  std::printf("\", \"start_ms\": %llu, \"end_ms\": %llu, \"duration_ms\": %d, \"channel\": %d, "
              "\"record_type\": %d}%s\n",
              static_cast<unsigned long long>(r.start), static_cast<unsigned long long>(r.end),
              r.duration_ms, r.channel, r.record_type, last ? "" : ",");
}

}  // namespace

int RunListCommand(int argc, char** argv) {
  bool disk = false;
  bool json = false;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--disk") == 0) {
      disk = true;
    } else if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else {
      disk = false;
      break;
    }
  }
  if (!disk) {
    std::fprintf(stderr, "usage: brisca list --disk [--json]\n");
    return 2;
  }
  CIndexFileNvrMgr& manager = DiskManager();
  NvrSearchResult found[kDriveCount] = {};
  const int disks = manager.SearchSD(-1, found);
  if (disks == 0) {
    std::fprintf(stderr, "brisca list: no recorder disk on C: to N: (see BRISCA_DRIVES)\n");
    return 1;
  }
  RecFileParam* list = nullptr;
  const int count = manager.GetFileParam(&list);
  if (!list) {
    std::fprintf(stderr, "brisca list: listing %s failed (%d)\n",
                 CIndexFileNvrMgr::DriveName(found[disks - 1].drive_index), count);
    return 1;
  }
  if (json) std::printf("[\n");
  for (int i = 0; i < count; ++i) {
    if (json) {
      PrintJson(list[i], i + 1 == count);
    } else {
      PrintText(list[i]);
    }
  }
  if (json) std::printf("]\n");
  FreeFileParamArray(list);
  return 0;
}

}  // namespace brisca::tools
