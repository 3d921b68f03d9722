#include "brisca/card/card_files.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "brisca/card/fat_file_source.h"
#include "brisca/card/raw_fat_volume.h"
#include "brisca/recordings/byte_source_wrap.h"
#include "brisca/recordings/os_file.h"

namespace brisca {
namespace {

constexpr const char* kDriveNames[kCardPartitionCount] = {"C:", "D:", "E:", "F:"};

// One decimal number at `cursor`, ending at `end` or at `separator`.
template <typename T>
bool TakeNumber(const char*& cursor, const char* end, char separator, T& value) {
  const auto [stop, error] = std::from_chars(cursor, end, value);
  if (error != std::errc() || stop == cursor) return false;
  if (separator) {
    if (stop == end || *stop != separator) return false;
    cursor = stop + 1;
  } else {
    if (stop != end) return false;
    cursor = stop;
  }
  return true;
}

}  // namespace

std::optional<CardRecordingName> ParseCardRecordingName(const char* name) {
  if (!name) return std::nullopt;
  const char* cursor = name;
  const char* end = name + std::strlen(name);
  CardRecordingName parsed;
  if (!TakeNumber(cursor, end, '\\', parsed.partition) ||
      !TakeNumber(cursor, end, '\\', parsed.file_number) ||
      !TakeNumber(cursor, end, '\0', parsed.slot))
    return std::nullopt;
  if (parsed.partition < 0 || parsed.partition >= kCardPartitionCount) return std::nullopt;
  return parsed;
}

std::string FormatCardRecordingName(const CardRecordingName& name) {
  char text[48];
  std::snprintf(text, sizeof text, "%d\\%u\\%u", name.partition, name.file_number, name.slot);
  return text;
}

const char* CardDriveName(int partition) {
  return partition >= 0 && partition < kCardPartitionCount ? kDriveNames[partition] : "";
}

std::string CardIndexPath(const std::string& folder, int mode, int partition) {
  char name[32];
  if (mode == kCardFolderMode) {
    std::snprintf(name, sizeof name, "/%d_index00.bin", partition);
  } else {
    std::snprintf(name, sizeof name, "\\index00.bin");
  }
  return folder + name;
}

std::string CardContainerPath(const std::string& folder, int mode, int partition,
                              uint32_t file_number) {
  char name[48];
  if (mode == kCardFolderMode) {
    std::snprintf(name, sizeof name, "/%d_fly%05u.evf", partition, file_number);
  } else {
    std::snprintf(name, sizeof name, "\\fly%05u.evf", file_number);
  }
  return folder + name;
}

std::unique_ptr<CBaseFile> MakeCardSource(int mode) {
  if (mode == kCardFolderMode) return WrapByteSource(std::make_unique<COsFile>());
  return WrapByteSource(std::make_unique<CSdFile>());
}

size_t ReadFromSource(CBaseFile& source, void* buffer, size_t count) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(count - done, 1u << 30));
    const int64_t got = source.ReadSome(bytes + done, chunk);
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

bool MountCardPartition(int partition) {
  return FatMount(CardDriveName(partition)) == FatResult::kOk;
}

void UnmountCardPartition(int partition) { FatUnmount(CardDriveName(partition)); }

CMutexLock& CardVolumeLock() {
  static CMutexLock lock;
  return lock;
}

}  // namespace brisca
