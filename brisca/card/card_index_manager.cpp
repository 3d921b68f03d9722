#include "brisca/card/card_index_manager.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "brisca/base/damage_report.h"
#include "brisca/base/diag_log.h"
#include "brisca/card/card_reader.h"
#include "brisca/card/fat_file_source.h"
#include "brisca/card/physical_drive.h"
#include "brisca/card/raw_fat_volume.h"
#include "brisca/recordings/le_fields.h"

namespace brisca {
namespace {

constexpr size_t kBootSectorSize = 512;
constexpr size_t kPartitionTypeOffset = 450;   // of entry k: 450 + 16 k
constexpr size_t kPartitionStartOffset = 454;  // of entry k: 454 + 16 k
constexpr size_t kPartitionEntrySize = 16;

static_assert(CIndexFileJv::kCheckNoContainer == CFileJv::kContainerMissing);

const char* IndexFailure(int code) {
  switch (code) {
    case CIndexFileJv::kMountFailed: return "no volume";
    case CIndexFileJv::kNoIndexFile: return "no index file";
    case CIndexFileJv::kHeaderUnreadable: return "header cut short";
    case CIndexFileJv::kChecksumWrong: return "header checksum wrong";
    case CIndexFileJv::kRingUnreadable: return "file ring unreadable or contradictory";
    case CIndexFileJv::kBadFileNumber: return "file number 255 in the table";
    case CIndexFileJv::kTableUnreadable: return "recording table unreadable";
    default: return "unreadable";
  }
}

}  // namespace

CIndexFileJvMgr::CIndexFileJvMgr()
    : partitions_{CIndexFileJv(0), CIndexFileJv(1), CIndexFileJv(2), CIndexFileJv(3)} {}

int CIndexFileJvMgr::SetDir(const char* folder, int mode) {
  CAutoLock lock(&CardVolumeLock());
  for (CIndexFileJv& partition : partitions_) partition.SetDir(folder ? folder : "", mode);
  return mode;
}

int CIndexFileJvMgr::drive() {
  CAutoLock lock(&CardVolumeLock());
  return drive_;
}

std::string CIndexFileJvMgr::SourcePath() {
  CAutoLock lock(&CardVolumeLock());
  if (partitions_[0].mode() == kCardFolderMode) return partitions_[0].folder();
  if (!image_path_.empty()) return image_path_;
  return drive_ < 0 ? std::string() : PhysicalDrivePath(drive_, HostPhysicalDriveTable());
}

bool CIndexFileJvMgr::Probe(int drive, JvSearchResult* result) {
  CPhysicalDrive device;
  if (!device.Open(drive)) {
    BrLog("CIndexFileJvMgr::SearchSD2:1 %d", drive);
    return false;
  }
  const bool removable = device.IsRemovable();
  if (!ProbeOpened(device, drive, std::string())) return false;
  if (result) {
    result->drive = drive;
    result->removable = removable ? 1 : 0;
  }
  return true;
}

bool CIndexFileJvMgr::ProbeOpened(CPhysicalDrive& device, int drive, const std::string& image) {
  uint8_t sector[kBootSectorSize];
  const bool read = device.ReadAt(0, sector, sizeof sector);
  device.Close();
  if (!read) {
    BrLog("CIndexFileJvMgr::SearchSD2:3 %d", drive);
    return false;
  }
  if (sector[510] != 0x55 || sector[511] != 0xAA) {
    BrLog("CIndexFileJvMgr::SearchSD2:4 %d", drive);
    return false;
  }
  // A boot sector in sector 0 makes the whole drive the one volume (all
  // starts 0); its boot code where a partition table would be is no table.
  std::array<uint32_t, kCardPartitionCount> starts{};
  for (int k = 0; k < kCardPartitionCount && !FatIsBootSector(sector); ++k) {
    if (sector[kPartitionTypeOffset + kPartitionEntrySize * k] != 0)
      starts[k] = LoadField<uint32_t>(sector + kPartitionStartOffset + kPartitionEntrySize * k);
  }
  if (image.empty()) {
    FatSetDrive(drive);
  } else {
    FatSetDrivePath(image);
  }
  FatSetPartitionStarts(starts);
  bool found = false;
  if (FatMount(CardDriveName(0)) != FatResult::kOk) {
    BrLog("CIndexFileJvMgr::SearchSD2:5 %d", drive);
  } else {
    CSdFile index;
    const std::string path = CardIndexPath(CardDriveName(0), kCardVolumeMode, 0);
    if (index.OpenFile(path.c_str(), 1) != 0) {
      BrLog("CIndexFileJvMgr::SearchSD2:6 %d", drive);
    } else {
      index.Close();
      found = true;
    }
    FatUnmount(CardDriveName(0));
  }
  if (!found) {
    // The card volume keeps reading the card found last, not this drive.
    if (!image_path_.empty()) {
      FatSetDrivePath(image_path_);
      FatSetPartitionStarts(partition_starts_);
    } else if (drive_ >= 0) {
      FatSetDrive(drive_);
      FatSetPartitionStarts(partition_starts_);
    }
    return false;
  }
  for (int p = 0; p < kCardPartitionCount; ++p) partitions_[p].SetDir(CardDriveName(p), kCardVolumeMode);
  drive_ = drive;
  image_path_ = image;
  partition_starts_ = starts;
  return true;
}

bool CIndexFileJvMgr::SelectImage(const std::string& path) {
  CAutoLock lock(&CardVolumeLock());
  CPhysicalDrive device;
  if (path.empty() || !device.OpenPath(path)) return false;
  return ProbeOpened(device, -1, path);
}

CardListingSource CIndexFileJvMgr::LoadedFrom() {
  CAutoLock lock(&CardVolumeLock());
  return loaded_from_;
}

int CIndexFileJvMgr::SearchSD(int drive, JvSearchResult* results) {
  CAutoLock lock(&CardVolumeLock());
  if (drive >= 0) {
    if (Probe(drive, nullptr)) return 1;
    BrLog("CIndexFileJvMgr::SearchSD:3 %d", 0);
    return 0;
  }
  int found = 0;
  for (int d = 0; d < kCardProbedDrives; ++d) {
    if (Probe(d, results ? results + found : nullptr)) ++found;
  }
  BrLog("CIndexFileJvMgr::SearchSD:3 %d", found);
  return found;
}

bool CIndexFileJvMgr::PartitionHasVolume(int partition) const {
  return partitions_[partition].mode() == kCardFolderMode || partition == 0 ||
         partition_starts_[partition] != 0;
}

int CIndexFileJvMgr::ReadIndexes() {
  int first_failure = 0;
  bool any_read = false;
  for (int p = 0; p < kCardPartitionCount; ++p) {
    if (!PartitionHasVolume(p)) {
      partitions_[p].LoadEmpty();
      continue;
    }
    const int code = partitions_[p].ReadIndexFile();
    if (code == 0) {
      any_read = true;
      continue;
    }
    BrLog("CIndexFileJvMgr::GetFilePara:1 %d", code);
    if (first_failure == 0) first_failure = code;
    // An export folder holds only the partitions it exported.
    const bool folder = partitions_[p].mode() == kCardFolderMode;
    if (!folder || code != CIndexFileJv::kNoIndexFile)
      ReportDamage("card partition %d left out: %s (%d)", p, IndexFailure(code), code);
  }
  return any_read ? 0 : first_failure;
}

int CIndexFileJvMgr::GetFileParam(RecFileParam** list, JV_SEARCH_CALLBACK callback, int32_t user) {
  CAutoLock lock(&CardVolumeLock());
  loaded_from_ = CardListingSource{};
  const int code = ReadIndexes();
  if (code != 0) return code;
  const CardListingSource source{SourcePath(), partitions_[0].mode()};
  CardListingProgress progress;
  progress.callback = callback;
  progress.user = user;
  for (const CIndexFileJv& partition : partitions_) progress.total += partition.SlotCount();
  if (progress.total == 0) {
    loaded_from_ = source;
    return 0;
  }

  std::vector<RecFileParam> records;
  CFileJv checker(*this);
  const CIndexFileJv::RecordingCheck check = [&checker](const char* name) {
    return checker.SearchFile(name);
  };
  for (int p = 0; p < kCardPartitionCount; ++p) {
    const bool mounted = MountPartition(p);
    if (mounted) partitions_[p].AppendRecords(records, progress, check);
    UnmountPartition(p);
  }
  auto* array = static_cast<RecFileParam*>(
      std::calloc(std::max<size_t>(records.size(), 1), sizeof(RecFileParam)));
  if (!array) throw std::bad_alloc();
  std::copy(records.begin(), records.end(), array);
  loaded_from_ = source;
  if (list) {
    *list = array;
  } else {
    std::free(array);
  }
  return static_cast<int>(records.size());
}

std::optional<CardRecording> CIndexFileJvMgr::FindRecording(const char* name) {
  const std::optional<CardRecordingName> parsed = ParseCardRecordingName(name);
  if (!parsed) return std::nullopt;
  CAutoLock lock(&CardVolumeLock());
  const CIndexFileJv& partition = partitions_[parsed->partition];
  CardRecording recording;
  if (!partition.FindRecording(parsed->file_number, parsed->slot, &recording.entry))
    return std::nullopt;
  recording.name = *parsed;
  recording.mode = partition.mode();
  recording.container_path =
      CardContainerPath(partition.folder(), partition.mode(), parsed->partition, parsed->file_number);
  return recording;
}

bool CIndexFileJvMgr::MountPartition(int partition) {
  CAutoLock lock(&CardVolumeLock());
  if (partition < 0 || partition >= kCardPartitionCount) return false;
  if (partitions_[partition].mode() == kCardFolderMode) return true;
  return MountCardPartition(partition);
}

void CIndexFileJvMgr::UnmountPartition(int partition) {
  CAutoLock lock(&CardVolumeLock());
  if (partition < 0 || partition >= kCardPartitionCount) return;
  if (partitions_[partition].mode() != kCardFolderMode) UnmountCardPartition(partition);
}

int CIndexFileJvMgr::WriteExportIndexes(const char* folder, const std::vector<std::string>& names) {
  if (!folder) return -1;
  std::vector<CardRecordingName> parsed;
  for (const std::string& name : names) {
    if (const std::optional<CardRecordingName> one = ParseCardRecordingName(name.c_str()))
      parsed.push_back(*one);
  }
  CAutoLock lock(&CardVolumeLock());
  for (const CIndexFileJv& partition : partitions_) {
    if (partition.WriteExportIndex(folder, parsed) != 0) return -1;
  }
  return 0;
}

int CIndexFileJvMgr::UpdateExportEntry(const char* folder, const char* name,
                                       uint32_t region_offset) {
  if (!folder) return -1;
  const std::optional<CardRecordingName> parsed = ParseCardRecordingName(name);
  if (!parsed) return -2;
  CAutoLock lock(&CardVolumeLock());
  return partitions_[parsed->partition].UpdateExportEntry(folder, *parsed, region_offset);
}

int CIndexFileJvMgr::ExportExists(const char* folder) {
  if (!folder) return 0;
  for (int p = 0; p < kCardPartitionCount; ++p) {
    struct stat status {};
    const std::string path = CardIndexPath(folder, kCardFolderMode, p);
    if (::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) return 1;
  }
  return 0;
}

void CIndexFileJvMgr::DeleteExportIndexes(const char* folder) {
  if (!folder) return;
  for (int p = 0; p < kCardPartitionCount; ++p)
    ::unlink(CardIndexPath(folder, kCardFolderMode, p).c_str());
}

CIndexFileJvMgr& CardIndexManager() {
  static CIndexFileJvMgr manager;
  return manager;
}

}  // namespace brisca
