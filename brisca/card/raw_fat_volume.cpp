#include "brisca/card/raw_fat_volume.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "brisca/card/fat_name.h"
#include "brisca/card/physical_drive.h"
#include "brisca/recordings/le_fields.h"

namespace brisca {
namespace {

constexpr uint32_t kEntriesPerSector = kFatSectorSize / kFatDirEntrySize;  // 128
// FAT directories hold at most 65,536 entries; a longer walk is a broken chain.
constexpr uint32_t kMaxDirEntries = 65536;
constexpr uint64_t kNoSector = UINT64_MAX;
constexpr uint8_t kAttrVolumeLabel = 0x08;
constexpr uint8_t kAttrDirectory = 0x10;
constexpr uint8_t kAttrLongName = 0x0F;
constexpr uint8_t kLastLongEntry = 0x40;
constexpr uint8_t kDeletedEntry = 0xE5;

// The slot number of a volume name at the start of `text` ("C:" to "L:" or
// "0:" to "9:"), or -1.
int VolumeNumber(std::string_view text) {
  if (text.size() < 2 || text[1] != ':') return -1;
  const char c = text[0];
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'C' && c <= 'L') return c - 'C';
  if (c >= 'c' && c <= 'l') return c - 'c';
  return -1;
}

// The first file cluster index at which the runs of `chain` (in file order)
// revisit a cluster, or nothing when every cluster is distinct.
std::optional<uint32_t> FirstRevisit(const std::vector<FatExtent>& chain,
                                     const std::vector<uint32_t>& index) {
  auto overlaps = [&chain](size_t runs) {
    std::vector<FatExtent> sorted(chain.begin(), chain.begin() + static_cast<ptrdiff_t>(runs));
    std::sort(sorted.begin(), sorted.end(),
              [](const FatExtent& a, const FatExtent& b) { return a.first_cluster < b.first_cluster; });
    for (size_t i = 1; i < sorted.size(); ++i) {
      if (uint64_t{sorted[i - 1].first_cluster} + sorted[i - 1].count > sorted[i].first_cluster) {
        return true;
      }
    }
    return false;
  };
  if (chain.size() < 2 || !overlaps(chain.size())) return std::nullopt;
  // The shortest prefix of runs that overlaps: its last run is where the
  // chain first comes back to a cluster it has passed.
  size_t low = 2;
  size_t high = chain.size();
  while (low < high) {
    const size_t middle = (low + high) / 2;
    if (overlaps(middle)) high = middle; else low = middle + 1;
  }
  const FatExtent& run = chain[low - 1];
  uint32_t first_seen = run.first_cluster + run.count;
  for (size_t i = 0; i + 1 < low; ++i) {
    const uint64_t end = uint64_t{chain[i].first_cluster} + chain[i].count;
    if (chain[i].first_cluster < run.first_cluster + uint64_t{run.count} && end > run.first_cluster) {
      first_seen = std::min(first_seen, std::max(run.first_cluster, chain[i].first_cluster));
    }
  }
  return index[low - 1] + (first_seen - run.first_cluster);
}

}  // namespace

// The reader's process-wide state and its operations.
class FatVolumeState {
 public:
  static FatVolumeState& Instance() {
    static FatVolumeState state;
    return state;
  }

  void SetDrive(int32_t drive) {
    drive_ = drive;
    drive_path_.clear();
  }
  void SetDrivePath(const std::string& path) { drive_path_ = path; }
  void SetPartitionStarts(const std::array<uint32_t, kFatPartitionCount>& starts) {
    partition_starts_ = starts;
  }

  FatResult Mount(const char* name) {
    const int number = name ? VolumeNumber(name) : -1;
    if (number < 0) return FatResult::kInvalidDrive;
    ClearVolume();
    slot_ = number;
    return FatResult::kOk;
  }

  FatResult Unmount(const char* name) {
    const int number = name ? VolumeNumber(name) : -1;
    if (number < 0) return FatResult::kInvalidDrive;
    if (slot_ == number) {
      ClearVolume();
      slot_ = -1;
    }
    return FatResult::kOk;
  }

  FatResult Open(FatFile& file, const char* path, uint8_t mode);
  FatResult Read(FatFile& file, void* buffer, uint32_t count, uint32_t* bytes_read);
  FatResult Seek(FatFile& file, uint64_t offset);

  FatResult Close(FatFile& file) {
    const FatResult valid = Validate(file);
    file = FatFile{};
    return valid;
  }

  FatVolumeInfo Info() const {
    FatVolumeInfo info;
    info.type = volume_.type;
    info.volume = slot_;
    if (volume_.type != FatType::kNone) {
      info.clusters = volume_.fat_entries - 2;
      info.sectors_per_cluster = volume_.sectors_per_cluster;
      info.mount_id = volume_.mount_id;
    }
    return info;
  }

  void Reset() {
    drive_ = 0;
    drive_path_.clear();
    partition_starts_ = {};
    device_.Close();
    not_ready_ = false;
    slot_ = -1;
    ClearVolume();
  }

 private:
  // The volume object. Sector numbers are logical sectors from the start of
  // the slot's partition.
  struct Volume {
    FatType type = FatType::kNone;
    uint32_t mount_id = 0;
    uint32_t sectors_per_cluster = 0;
    uint32_t root_entries = 0;   // FAT12/16 root directory entries
    uint32_t fat_entries = 0;    // number of clusters + 2
    uint64_t fat_base = 0;
    uint64_t root_base = 0;      // root sector (FAT12/16) or root cluster (FAT32)
    uint64_t data_base = 0;
    uint64_t window_sector = kNoSector;
    std::array<uint8_t, kFatSectorSize> window{};
  };

  // What a logical sector holds when tested for a boot sector.
  enum class BootCheck { kFat, kOtherBoot, kNoBoot, kReadError };

  // A FAT entry: the next cluster of a chain.
  struct FatEntry {
    FatResult result = FatResult::kOk;
    uint32_t next = 0;
  };

  // A position in a directory while it is searched.
  struct DirWalk {
    uint32_t cluster = 0;  // current cluster; 0 for the fixed FAT12/16 root
    uint64_t sector = 0;
    uint32_t index = 0;    // entry index from the directory's start
  };

  void ClearVolume() {
    volume_.type = FatType::kNone;
    volume_.window_sector = kNoSector;
  }

  uint64_t ClusterSector(uint32_t cluster) const {
    return volume_.data_base + uint64_t{cluster - 2} * volume_.sectors_per_cluster;
  }

  bool ReadSectors(uint64_t sector, uint32_t count, void* buffer) {
    const uint64_t start512 = partition_starts_[static_cast<size_t>(slot_)] + 8 * sector;
    return device_.ReadAt(start512 * 512, buffer, uint64_t{count} * kFatSectorSize);
  }

  bool LoadWindow(uint64_t sector) {
    if (volume_.window_sector == sector) return true;
    volume_.window_sector = kNoSector;
    if (!ReadSectors(sector, 1, volume_.window.data())) return false;
    volume_.window_sector = sector;
    return true;
  }

  FatResult Validate(const FatFile& file) const {
    if (!file.open_ || volume_.type == FatType::kNone || volume_.mount_id != file.mount_id_ ||
        not_ready_) {
      return FatResult::kInvalidObject;
    }
    return FatResult::kOk;
  }

  FatResult MountVolume(int number);
  BootCheck CheckBootSector(uint64_t sector);
  FatResult ReadParameterBlock(uint64_t base);
  FatEntry ReadFatEntry(uint32_t cluster);
  FatResult StartWalk(DirWalk& walk, uint32_t cluster);
  FatResult NextEntry(DirWalk& walk);
  FatResult FindEntry(uint32_t dir_cluster, const FatName& name, uint8_t* entry);
  FatResult Resolve(std::string_view path, uint8_t* entry);
  void MapChain(FatFile& file);

  int32_t drive_ = 0;
  std::string drive_path_;  // when not empty, read instead of drive_
  std::array<uint32_t, kFatPartitionCount> partition_starts_{};
  CPhysicalDrive device_;
  bool not_ready_ = false;
  int slot_ = -1;  // the slot the volume object is registered on, -1 for none
  Volume volume_;
  uint32_t mount_counter_ = 0;
};

bool FatIsBootSector(const uint8_t* b) {
  if (b[510] != 0x55 || b[511] != 0xAA) return false;
  const bool jump = b[0] == 0xE9 || b[0] == 0xEB || b[0] == 0xE8;
  return jump && (std::memcmp(b + 54, "FAT", 3) == 0 || std::memcmp(b + 82, "FAT32", 5) == 0);
}

FatVolumeState::BootCheck FatVolumeState::CheckBootSector(uint64_t sector) {
  if (!LoadWindow(sector)) return BootCheck::kReadError;
  const uint8_t* b = volume_.window.data();
  if (b[510] != 0x55 || b[511] != 0xAA) return BootCheck::kNoBoot;
  return FatIsBootSector(b) ? BootCheck::kFat : BootCheck::kOtherBoot;
}

FatResult FatVolumeState::MountVolume(int number) {
  if (slot_ != number) return FatResult::kNotEnabled;
  if (volume_.type != FatType::kNone && !not_ready_) return FatResult::kOk;
  ClearVolume();
  // Only the four primary partitions have a start; the other names never
  // hold a volume.
  if (number >= kFatPartitionCount) return FatResult::kNoFilesystem;
  const std::string path =
      drive_path_.empty() ? PhysicalDrivePath(drive_, HostPhysicalDriveTable()) : drive_path_;
  if (!device_.OpenPath(path)) {
    not_ready_ = true;
    return FatResult::kNotReady;
  }
  not_ready_ = false;

  const BootCheck first = CheckBootSector(0);
  if (first == BootCheck::kReadError) return FatResult::kDiskError;
  if (first == BootCheck::kNoBoot) return FatResult::kNoFilesystem;
  if (first == BootCheck::kFat) return ReadParameterBlock(0);
  // A partition table: the first entry in use whose sector is a FAT boot
  // sector holds the volume.
  uint32_t starts[4];
  uint8_t types[4];
  for (int k = 0; k < 4; ++k) {
    types[k] = volume_.window[static_cast<size_t>(450 + 16 * k)];
    starts[k] = LoadField<uint32_t>(&volume_.window[static_cast<size_t>(454 + 16 * k)]);
  }
  bool read_error = false;
  for (int k = 0; k < 4; ++k) {
    if (types[k] == 0) continue;
    const BootCheck check = CheckBootSector(starts[k]);
    if (check == BootCheck::kFat) return ReadParameterBlock(starts[k]);
    read_error = read_error || check == BootCheck::kReadError;
  }
  return read_error ? FatResult::kDiskError : FatResult::kNoFilesystem;
}

FatResult FatVolumeState::ReadParameterBlock(uint64_t base) {
  if (!LoadWindow(base)) return FatResult::kDiskError;
  const uint8_t* b = volume_.window.data();
  if (LoadField<uint16_t>(b + 11) != kFatSectorSize) return FatResult::kNoFilesystem;
  const uint32_t fat_size = LoadField<uint16_t>(b + 22) != 0 ? LoadField<uint16_t>(b + 22) : LoadField<uint32_t>(b + 36);
  const uint32_t fats = b[16];
  const uint32_t per_cluster = b[13];
  const uint32_t root_entries = LoadField<uint16_t>(b + 17);
  const uint32_t total = LoadField<uint16_t>(b + 19) != 0 ? LoadField<uint16_t>(b + 19) : LoadField<uint32_t>(b + 32);
  const uint32_t reserved = LoadField<uint16_t>(b + 14);
  if (fats < 1 || fats > 2) return FatResult::kNoFilesystem;
  if (per_cluster == 0 || (per_cluster & (per_cluster - 1)) != 0) return FatResult::kNoFilesystem;
  if (root_entries % kEntriesPerSector != 0 || reserved == 0) return FatResult::kNoFilesystem;
  const uint64_t system = uint64_t{reserved} + uint64_t{fats} * fat_size + root_entries / kEntriesPerSector;
  if (total < system) return FatResult::kNoFilesystem;
  const uint64_t clusters = (total - system) / per_cluster;
  if (clusters == 0 || clusters > 0x0FFFFFF5) return FatResult::kNoFilesystem;
  const FatType type = clusters <= 4085 ? FatType::kFat12
                       : clusters <= 65525 ? FatType::kFat16 : FatType::kFat32;
  const uint64_t entries = clusters + 2;
  uint64_t fat_bytes = 0;
  uint64_t root_base = 0;
  if (type == FatType::kFat32) {
    if (LoadField<uint16_t>(b + 42) != 0 || root_entries != 0) return FatResult::kNoFilesystem;
    root_base = LoadField<uint32_t>(b + 44);
    fat_bytes = entries * 4;
  } else {
    if (root_entries == 0) return FatResult::kNoFilesystem;
    root_base = base + reserved + uint64_t{fats} * fat_size;
    fat_bytes = type == FatType::kFat16 ? entries * 2 : entries * 3 / 2 + (entries & 1);
  }
  if (fat_size < (fat_bytes + kFatSectorSize - 1) / kFatSectorSize) return FatResult::kNoFilesystem;

  volume_.type = type;
  volume_.mount_id = ++mount_counter_;
  volume_.sectors_per_cluster = per_cluster;
  volume_.root_entries = root_entries;
  volume_.fat_entries = static_cast<uint32_t>(entries);
  volume_.fat_base = base + reserved;
  volume_.root_base = root_base;
  volume_.data_base = base + system;
  return FatResult::kOk;
}

FatVolumeState::FatEntry FatVolumeState::ReadFatEntry(uint32_t cluster) {
  if (cluster < 2 || cluster >= volume_.fat_entries) return {FatResult::kInternalError, 0};
  const uint64_t base = volume_.fat_base;
  switch (volume_.type) {
    case FatType::kFat12: {
      // A 12-bit entry may straddle two sectors.
      const uint64_t byte = cluster + cluster / 2;
      if (!LoadWindow(base + byte / kFatSectorSize)) return {FatResult::kDiskError, 0};
      const uint8_t low = volume_.window[byte % kFatSectorSize];
      if (!LoadWindow(base + (byte + 1) / kFatSectorSize)) return {FatResult::kDiskError, 0};
      const uint32_t pair = low | volume_.window[(byte + 1) % kFatSectorSize] << 8;
      return {FatResult::kOk, (cluster & 1) ? pair >> 4 : pair & 0xFFF};
    }
    case FatType::kFat16:
      if (!LoadWindow(base + cluster / (kFatSectorSize / 2))) return {FatResult::kDiskError, 0};
      return {FatResult::kOk, LoadField<uint16_t>(&volume_.window[cluster % (kFatSectorSize / 2) * 2])};
    case FatType::kFat32:
      if (!LoadWindow(base + cluster / (kFatSectorSize / 4))) return {FatResult::kDiskError, 0};
      return {FatResult::kOk, LoadField<uint32_t>(&volume_.window[cluster % (kFatSectorSize / 4) * 4]) & 0x0FFFFFFF};
    case FatType::kNone:
      break;
  }
  return {FatResult::kInternalError, 0};
}

FatResult FatVolumeState::StartWalk(DirWalk& walk, uint32_t cluster) {
  // A folder entry with cluster 0 stands for the root, as ".." entries do.
  if (cluster == 0 && volume_.type == FatType::kFat32) {
    cluster = static_cast<uint32_t>(volume_.root_base);
  }
  walk = DirWalk{};
  walk.cluster = cluster;
  if (cluster == 0) {
    walk.sector = volume_.root_base;
    return FatResult::kOk;
  }
  if (cluster < 2 || cluster >= volume_.fat_entries) return FatResult::kInternalError;
  walk.sector = ClusterSector(cluster);
  return FatResult::kOk;
}

// Moves to the next entry: kOk, kNoFile at the directory's end, or an error.
FatResult FatVolumeState::NextEntry(DirWalk& walk) {
  const uint32_t index = walk.index + 1;
  if (walk.cluster == 0) {
    if (index >= volume_.root_entries) return FatResult::kNoFile;
  } else if (index >= kMaxDirEntries) {
    return FatResult::kInternalError;
  }
  walk.index = index;
  if (index % kEntriesPerSector != 0) return FatResult::kOk;
  ++walk.sector;
  if (walk.cluster == 0 || (index / kEntriesPerSector) % volume_.sectors_per_cluster != 0) {
    return FatResult::kOk;
  }
  const FatEntry next = ReadFatEntry(walk.cluster);
  if (next.result != FatResult::kOk) return next.result;
  if (next.next < 2) return FatResult::kInternalError;
  if (next.next >= volume_.fat_entries) return FatResult::kNoFile;  // end of chain
  walk.cluster = next.next;
  walk.sector = ClusterSector(next.next);
  return FatResult::kOk;
}

FatResult FatVolumeState::FindEntry(uint32_t dir_cluster, const FatName& name, uint8_t* entry) {
  DirWalk walk;
  FatResult result = StartWalk(walk, dir_cluster);
  if (result != FatResult::kOk) return result;
  uint8_t order = 0xFF;  // sequence number expected next, 0 once a long name matched
  uint8_t checksum = 0xFF;
  for (;; result = NextEntry(walk)) {
    if (result != FatResult::kOk) return result;
    if (!LoadWindow(walk.sector)) return FatResult::kDiskError;
    const uint8_t* e = &volume_.window[walk.index % kEntriesPerSector * kFatDirEntrySize];
    uint8_t first = e[0];
    if (first == 0) return FatResult::kNoFile;
    const uint8_t attr = e[11] & 0x3F;
    if (first == kDeletedEntry || ((attr & kAttrVolumeLabel) && attr != kAttrLongName)) {
      order = 0xFF;
      continue;
    }
    if (attr == kAttrLongName) {
      if (first & kLastLongEntry) {
        checksum = e[13];
        first &= static_cast<uint8_t>(~kLastLongEntry);
        order = first;
      }
      order = (first == order && checksum == e[13] && FatLongNameEntryMatches(e, name))
                  ? static_cast<uint8_t>(order - 1) : 0xFF;
      continue;
    }
    if ((order == 0 && checksum == FatShortNameChecksum(e)) ||
        (name.short_name_exact && std::memcmp(e, name.short_name.data(), 11) == 0)) {
      std::memcpy(entry, e, kFatDirEntrySize);
      return FatResult::kOk;
    }
    order = 0xFF;
  }
}

// Finds the file entry that `path` (after the volume name) names.
FatResult FatVolumeState::Resolve(std::string_view path, uint8_t* entry) {
  uint32_t dir_cluster = 0;
  for (;;) {
    FatName name;
    bool last = false;
    const FatResult parsed = ReadFatSegment(path, name, last);
    if (parsed != FatResult::kOk) return parsed;
    if (name.length == 0) return FatResult::kNoFile;  // the path names a folder
    const FatResult found = FindEntry(dir_cluster, name, entry);
    if (found == FatResult::kNoFile) return last ? FatResult::kNoFile : FatResult::kNoPath;
    if (found != FatResult::kOk) return found;
    const bool is_dir = (entry[11] & kAttrDirectory) != 0;
    if (last) return is_dir ? FatResult::kNoFile : FatResult::kOk;
    if (!is_dir) return FatResult::kNoPath;
    dir_cluster = LoadField<uint16_t>(entry + 26);
    if (volume_.type == FatType::kFat32) dir_cluster |= uint32_t{LoadField<uint16_t>(entry + 20)} << 16;
  }
}

// Maps the clusters that hold the file's bytes, stopping where the chain
// breaks, so that reads and seeks need no further FAT lookups.
void FatVolumeState::MapChain(FatFile& file) {
  const uint64_t cluster_bytes = uint64_t{volume_.sectors_per_cluster} * kFatSectorSize;
  const uint64_t needed = (uint64_t{file.size_} + cluster_bytes - 1) / cluster_bytes;
  const uint64_t clusters = volume_.fat_entries - 2;
  uint32_t cluster = file.start_cluster_;
  uint32_t mapped = 0;
  while (mapped < needed) {
    // More clusters than the volume has means the chain comes back on itself.
    if (cluster < 2 || cluster >= volume_.fat_entries || mapped >= clusters) {
      file.chain_error_ = FatResult::kInternalError;
      break;
    }
    if (!file.chain_.empty() &&
        uint64_t{file.chain_.back().first_cluster} + file.chain_.back().count == cluster) {
      ++file.chain_.back().count;
    } else {
      file.chain_.push_back({cluster, 1});
      file.chain_index_.push_back(mapped);
    }
    ++mapped;
    if (mapped == needed) break;
    const FatEntry next = ReadFatEntry(cluster);
    if (next.result != FatResult::kOk) {
      file.chain_error_ = next.result;
      break;
    }
    cluster = next.next;
  }
  file.chain_clusters_ = mapped;
  if (const std::optional<uint32_t> revisit = FirstRevisit(file.chain_, file.chain_index_)) {
    file.chain_error_ = FatResult::kInternalError;
    file.chain_clusters_ = *revisit;
    while (!file.chain_.empty() && file.chain_index_.back() >= *revisit) {
      file.chain_.pop_back();
      file.chain_index_.pop_back();
    }
    if (!file.chain_.empty()) file.chain_.back().count = *revisit - file.chain_index_.back();
  }
}

FatResult FatVolumeState::Open(FatFile& file, const char* path, uint8_t mode) {
  file = FatFile{};
  if (!path) return FatResult::kInvalidName;
  const std::string_view text(path);
  const int number = VolumeNumber(text);
  if (number < 0) return FatResult::kInvalidDrive;
  const FatResult mounted = MountVolume(number);
  if (mounted != FatResult::kOk) return mounted;
  uint8_t entry[kFatDirEntrySize];
  const FatResult resolved = Resolve(text.substr(2), entry);
  if (resolved != FatResult::kOk) return resolved;
  file.open_ = true;
  file.mount_id_ = volume_.mount_id;
  file.mode_ = mode;
  file.size_ = LoadField<uint32_t>(entry + 28);
  file.start_cluster_ = LoadField<uint16_t>(entry + 26);
  if (volume_.type == FatType::kFat32) file.start_cluster_ |= uint32_t{LoadField<uint16_t>(entry + 20)} << 16;
  MapChain(file);
  return FatResult::kOk;
}

FatResult FatVolumeState::Read(FatFile& file, void* buffer, uint32_t count, uint32_t* bytes_read) {
  if (bytes_read) *bytes_read = 0;
  const FatResult valid = Validate(file);
  if (valid != FatResult::kOk) return valid;
  if (file.error_ != FatResult::kOk) return file.error_;
  if (!(file.mode_ & kFatModeRead)) return FatResult::kDenied;
  auto* out = static_cast<uint8_t*>(buffer);
  uint32_t left = std::min(count, file.size_ - file.position_);
  const uint32_t per_cluster = volume_.sectors_per_cluster;
  while (left > 0) {
    const uint32_t file_sector = file.position_ / kFatSectorSize;
    const uint32_t in_sector = file.position_ % kFatSectorSize;
    const uint32_t cluster_index = file_sector / per_cluster;
    if (cluster_index >= file.chain_clusters_) {
      file.error_ = file.chain_error_;
      return file.error_;
    }
    const size_t run_number = static_cast<size_t>(
        std::upper_bound(file.chain_index_.begin(), file.chain_index_.end(), cluster_index) -
        file.chain_index_.begin() - 1);
    const FatExtent& run = file.chain_[run_number];
    const uint32_t run_offset = cluster_index - file.chain_index_[run_number];
    const uint32_t sector_in_cluster = file_sector % per_cluster;
    const uint64_t device_sector = ClusterSector(run.first_cluster + run_offset) + sector_in_cluster;
    uint32_t done;
    if (in_sector == 0 && left >= kFatSectorSize) {
      // Whole sectors go straight to the caller, as many as lie back to back.
      const uint64_t available = uint64_t{run.count - run_offset} * per_cluster - sector_in_cluster;
      const uint32_t sectors = static_cast<uint32_t>(std::min<uint64_t>(left / kFatSectorSize, available));
      if (!ReadSectors(device_sector, sectors, out)) {
        file.error_ = FatResult::kDiskError;
        return file.error_;
      }
      done = sectors * kFatSectorSize;
    } else {
      if (file.buffered_sector_ != file_sector) {
        file.buffered_sector_ = FatFile::kNoSector;
        if (!ReadSectors(device_sector, 1, file.buffer_.data())) {
          file.error_ = FatResult::kDiskError;
          return file.error_;
        }
        file.buffered_sector_ = file_sector;
      }
      done = std::min(left, kFatSectorSize - in_sector);
      std::memcpy(out, file.buffer_.data() + in_sector, done);
    }
    out += done;
    left -= done;
    file.position_ += done;
    if (bytes_read) *bytes_read += done;
  }
  return FatResult::kOk;
}

FatResult FatVolumeState::Seek(FatFile& file, uint64_t offset) {
  const FatResult valid = Validate(file);
  if (valid != FatResult::kOk) return valid;
  if (file.error_ != FatResult::kOk) return file.error_;
  const uint32_t target = static_cast<uint32_t>(std::min<uint64_t>(offset, file.size_));
  // Reaching a position needs the cluster of the byte before it.
  const uint64_t cluster_bytes = uint64_t{volume_.sectors_per_cluster} * kFatSectorSize;
  if (target > 0 && (target - 1) / cluster_bytes >= file.chain_clusters_) {
    file.error_ = file.chain_error_;
    return file.error_;
  }
  file.position_ = target;
  return FatResult::kOk;
}

void FatSetDrive(int32_t drive) { FatVolumeState::Instance().SetDrive(drive); }
void FatSetDrivePath(const std::string& path) { FatVolumeState::Instance().SetDrivePath(path); }

void FatSetPartitionStarts(const std::array<uint32_t, kFatPartitionCount>& starts) {
  FatVolumeState::Instance().SetPartitionStarts(starts);
}

FatResult FatMount(const char* volume) { return FatVolumeState::Instance().Mount(volume); }
FatResult FatUnmount(const char* volume) { return FatVolumeState::Instance().Unmount(volume); }

FatResult FatOpen(FatFile& file, const char* path, uint8_t mode) {
  return FatVolumeState::Instance().Open(file, path, mode);
}

FatResult FatRead(FatFile& file, void* buffer, uint32_t count, uint32_t* bytes_read) {
  return FatVolumeState::Instance().Read(file, buffer, count, bytes_read);
}

FatResult FatSeek(FatFile& file, uint64_t offset) {
  return FatVolumeState::Instance().Seek(file, offset);
}

FatResult FatClose(FatFile& file) { return FatVolumeState::Instance().Close(file); }

FatVolumeInfo FatMountedVolume() { return FatVolumeState::Instance().Info(); }

void FatResetState() { FatVolumeState::Instance().Reset(); }

}  // namespace brisca
