// `brisca list --disk [--json]`: probes the drive names for recorder disks
// and prints every recording the chosen disk lists. `brisca list --card
// [--folder DIR] [--json]` does the same for SD cards on the physical drives
// (or the export folder DIR). Disk record types are cause bits, listed in
// hex with their names. `brisca list --source PATH [--json]`
// lists a local source chosen by path.
#include <cstdio>
#include <cstring>
#include <string>

#include "brisca/card/card_index_manager.h"
#include "brisca/disk/disk_manager.h"
#include "tools/brisca/commands.h"
#include "tools/disk/record_causes.h"

namespace brisca::tools {
namespace {

void PrintTime(const BR_SYSTEMTIME& t) {
  std::printf("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

enum class TypeKind { kCode, kCauseBits };

void PrintText(const RecFileParam& r, TypeKind types) {
  std::printf("%s\t", r.name);
  PrintTime(r.start_time);
  std::printf("\t");
  PrintTime(r.end_time);
  std::printf("\t%llu\t%llu\t%d\t%d\t", static_cast<unsigned long long>(r.start),
              static_cast<unsigned long long>(r.end), r.duration_ms, r.channel);
  if (types == TypeKind::kCode) {
    std::printf("%d\n", r.record_type);
    return;
  }
  const std::string names = disk::CauseNames(r.record_type);
  std::printf("0x%02x\t%s\n", static_cast<unsigned>(r.record_type) & 0xFFu,
              names.empty() ? "-" : names.c_str());
}

// `, "causes": ["manual", "dms"]` for cause bits, nothing for codes.
void PrintJsonCauses(const RecFileParam& r, TypeKind types) {
  if (types == TypeKind::kCode) return;
  std::printf(", \"causes\": [");
  const char* separator = "";
  for (const char* name : disk::CauseNameList(r.record_type)) {
    std::printf("%s\"%s\"", separator, name);
    separator = ", ";
  }
  std::printf("]");
}

void PrintJson(const RecFileParam& r, bool last, TypeKind types) {
  std::printf("  {\"name\": \"");
  for (const char* c = r.name; *c; ++c) std::printf(*c == '\\' ? "\\\\" : "%c", *c);
  std::printf("\", \"start\": \"");
  PrintTime(r.start_time);
  std::printf("\", \"end\": \"");
  PrintTime(r.end_time);
  std::printf("\", \"start_ms\": %llu, \"end_ms\": %llu, \"duration_ms\": %d, \"channel\": %d, "
              "\"record_type\": %d",
              static_cast<unsigned long long>(r.start), static_cast<unsigned long long>(r.end),
              r.duration_ms, r.channel, r.record_type);
  PrintJsonCauses(r, types);
  std::printf("}%s\n", last ? "" : ",");
}

void PrintList(const RecFileParam* list, int count, bool json, TypeKind types) {
  if (json) std::printf("[\n");
  for (int i = 0; i < count; ++i) {
    if (json) {
      PrintJson(list[i], i + 1 == count, types);
    } else {
      PrintText(list[i], types);
    }
  }
  if (json) std::printf("]\n");
}

// Lists the card found last on physical drives 0-15, or the export folder.
// Partitions whose index cannot be read are left out (and reported on
// stderr); only a card or folder without any readable index fails.
int ListCard(const char* folder, bool json) {
  CIndexFileJvMgr& manager = CardIndexManager();
  if (folder) {
    manager.SetDir(folder, kCardFolderMode);
  } else if (manager.SearchSD(-1, nullptr) == 0) {
    std::fprintf(stderr,
                 "brisca list: no card on physical drives 0-15 (see BRISCA_PHYSICAL_DRIVES)\n");
    return 1;
  }
  RecFileParam* list = nullptr;
  const int count = manager.GetFileParam(&list, nullptr, 0);
  if (count < 0) {
    std::fprintf(stderr, "brisca list: no card index could be read (%d)\n", count);
    return 1;
  }
  PrintList(list, list ? count : 0, json, TypeKind::kCode);
  FreeFileParamArray(list);
  return 0;
}

// Says why no disk was found; a drive the user may not read is the likely
// cause on a machine whose raw disks belong to the disk group.
void ReportNoDisk(CIndexFileNvrMgr& manager) {
  std::string denied;
  if (manager.DeniedDrives(denied) > 0) {
    std::fprintf(stderr,
                 "brisca list: cannot read %s: permission denied (join the disk group, or run "
                 "with access to the device)\n",
                 denied.c_str());
    return;
  }
  std::fprintf(stderr, "brisca list: no recorder disk on C: to N: (see BRISCA_DRIVES)\n");
}

// Lists the local source at `path` (a disk or card image, an export folder
// or a folder of stream files) the way the player's local search does.
int ListSource(const char* path, bool json) {
  CIndexFileNvrMgr& manager = DiskManager();
  manager.SetDir(path, 0);
  RecFileParam* list = nullptr;
  const int count = manager.GetFileParam(&list);
  if (!list) {
    std::fprintf(stderr, "brisca list: %s holds no recordings this library reads\n", path);
    return 1;
  }
  PrintList(list, count, json, TypeKind::kCauseBits);
  FreeFileParamArray(list);
  return 0;
}

}  // namespace

int RunListCommand(int argc, char** argv) {
  bool disk = false;
  bool card = false;
  bool json = false;
  const char* folder = nullptr;
  const char* source = nullptr;
  bool usage = false;
  for (int i = 0; i < argc && !usage; ++i) {
    if (std::strcmp(argv[i], "--disk") == 0) {
      disk = true;
    } else if (std::strcmp(argv[i], "--card") == 0) {
      card = true;
    } else if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc) {
      folder = argv[++i];
    } else if (std::strcmp(argv[i], "--source") == 0 && i + 1 < argc) {
      source = argv[++i];
    } else if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else {
      usage = true;
    }
  }
  if (usage || disk + card + (source != nullptr) != 1 || (folder && !card)) {
    std::fprintf(stderr, "usage: brisca list --disk [--json]\n"
                         "       brisca list --card [--folder DIR] [--json]\n"
                         "       brisca list --source PATH [--json]\n");
    return 2;
  }
  if (source) return ListSource(source, json);
  if (card) return ListCard(folder, json);
  CIndexFileNvrMgr& manager = DiskManager();
  NvrSearchResult found[kDriveCount] = {};
  const int disks = manager.SearchSD(-1, found);
  if (disks == 0) {
    ReportNoDisk(manager);
    return 1;
  }
  RecFileParam* list = nullptr;
  const int count = manager.GetFileParam(&list);
  if (!list) {
    std::fprintf(stderr, "brisca list: listing %s failed (%d)\n",
                 CIndexFileNvrMgr::DriveName(found[disks - 1].drive_index), count);
    return 1;
  }
  PrintList(list, count, json, TypeKind::kCauseBits);
  FreeFileParamArray(list);
  return 0;
}

}  // namespace brisca::tools
