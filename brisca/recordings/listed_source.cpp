#include "brisca/recordings/listed_source.h"

#include <mutex>

#include "brisca/card/card_files.h"
#include "brisca/disk/tvfs_instance.h"
#include "brisca/recordings/card_source.h"

namespace brisca {
namespace {

struct ListedRecord {
  std::mutex mutex;
  ListedSource source;  // guarded by mutex
};

ListedRecord& Record() {
  static ListedRecord record;
  return record;
}

int CardMode(const ListedSource& source) {
  return source.kind == ListedKind::kCardImage ? kCardVolumeMode : kCardFolderMode;
}

}  // namespace

ListedSource CurrentListedSource() {
  ListedRecord& record = Record();
  std::lock_guard lock(record.mutex);
  return record.source;
}

void SetListedSource(ListedSource source) {
  ListedRecord& record = Record();
  std::lock_guard lock(record.mutex);
  record.source = std::move(source);
}

int MountListedSource() {
  const ListedSource source = CurrentListedSource();
  if (source.is_disk()) return ProcessTvfs().Mount(source.path);
  if (source.is_card()) return ReadyCardSource(source.path, CardMode(source), nullptr) ? 0 : 1;
  return 0;
}

int UnmountListedSource() {
  const ListedSource source = CurrentListedSource();
  if (source.is_disk()) return ProcessTvfs().Unmount();
  if (source.kind == ListedKind::kCardImage) UnmountCardSource();
  return 0;
}

}  // namespace brisca
