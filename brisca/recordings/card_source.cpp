#include "brisca/recordings/card_source.h"

#include <cstdlib>
#include <new>
#include <optional>

#include "brisca/card/card_files.h"
#include "brisca/card/card_index_manager.h"
#include "brisca/card/raw_fat_volume.h"
#include "brisca/disk/disk_manager.h"

namespace brisca {
namespace {

// Points the card index at the source; false when an image holds no card.
bool Select(CIndexFileJvMgr& index, const std::string& path, int mode) {
  if (mode == kCardVolumeMode) return index.SelectImage(path);
  index.SetDir(path.c_str(), kCardFolderMode);
  return true;
}

}  // namespace

int ListCardSource(const std::string& path, int mode, RecFileParam** list) {
  CAutoLock lock(&CardVolumeLock());
  CIndexFileJvMgr& index = CardIndexManager();
  if (!Select(index, path, mode)) return -1;
  RecFileParam* records = nullptr;
  const int count = index.GetFileParam(&records, nullptr, 0);
  if (count < 0) return -1;
  // The card index hands out no array when it names no recording slot.
  if (!records) {
    records = static_cast<RecFileParam*>(std::calloc(1, sizeof(RecFileParam)));
    if (!records) throw std::bad_alloc();
  }
  *list = records;
  return count < kMaxListedRecordings ? count : kMaxListedRecordings;
}

bool ReadyCardSource(const std::string& path, int mode, const char* name) {
  CAutoLock lock(&CardVolumeLock());
  CIndexFileJvMgr& index = CardIndexManager();
  if (index.LoadedFrom() != CardListingSource{path, mode}) {
    if (!Select(index, path, mode) || index.GetFileParam(nullptr, nullptr, 0) < 0) return false;
  }
  if (mode != kCardVolumeMode || !name) return true;
  const std::optional<CardRecordingName> parsed = ParseCardRecordingName(name);
  if (!parsed) return false;
  // Mounting again would cut off the recordings of that partition already
  // open in other channels.
  if (FatMountedVolume().volume == parsed->partition) return true;
  return index.MountPartition(parsed->partition);
}

void UnmountCardSource() {
  CAutoLock lock(&CardVolumeLock());
  for (int partition = 0; partition < kCardPartitionCount; ++partition)
    UnmountCardPartition(partition);
}

}  // namespace brisca
