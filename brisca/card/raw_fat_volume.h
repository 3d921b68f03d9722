// The raw FAT volume reader of SD cards: a FAT12, FAT16 or FAT32 file system
// with 4096-byte logical sectors, read straight from a physical drive without
// the host's file system. Read-only.
//
// Process-wide state (one instance): the physical drive number, the partition
// start table, the opened drive with its not-ready flag, ten volume slots
// ("C" to "L", or "0" to "9") and the one volume object, which is registered
// on one slot at a time. Logical sector s of partition p lies at device byte
// (partition start[p] + 8 * s) * 512.
//
// Concurrency: nothing here takes a lock. No two calls of this file, and no
// two operations on FatFile states, may run at the same time: every caller
// holds the card volume lock (CardVolumeLock in card_files.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace brisca {

// Result codes of every operation.
enum class FatResult : int {
  kOk = 0,
  kDiskError = 1,        // device read error
  kInternalError = 2,    // broken cluster chain or position
  kNotReady = 3,         // the physical drive cannot be opened
  kNoFile = 4,           // file not found, or the path names a directory
  kNoPath = 5,           // a folder of the path is missing
  kInvalidName = 6,
  kDenied = 7,           // file not opened for reading
  kInvalidObject = 9,    // no volume, volume remounted since the open, device not ready
  kInvalidDrive = 11,    // invalid volume name
  kNotEnabled = 12,      // no volume object registered for that name
  kNoFilesystem = 13,    // no valid FAT volume
};

enum class FatType : uint8_t { kNone = 0, kFat12 = 1, kFat16 = 2, kFat32 = 3 };

inline constexpr uint32_t kFatSectorSize = 4096;  // bytes per logical sector
inline constexpr int kFatPartitionCount = 4;     // volumes "C" to "F" are usable
inline constexpr uint8_t kFatModeRead = 0x01;    // mode bit: open for reading

// What the mounted volume looks like; for tests and tools.
struct FatVolumeInfo {
  FatType type = FatType::kNone;  // kNone until a file open has read the volume
  int volume = -1;                // slot number 0-9, -1 when none is registered
  uint32_t clusters = 0;          // number of data clusters
  uint32_t sectors_per_cluster = 0;
  uint32_t mount_id = 0;
};

// One run of consecutive clusters of a file's chain.
struct FatExtent {
  uint32_t first_cluster = 0;
  uint32_t count = 0;
};

// The state of one open file (each CSdFile holds one). Only the functions
// below change it; callers read it through the accessors.
class FatFile {
 public:
  bool is_open() const { return open_; }
  // Byte position and file size; 0 when not open.
  uint32_t position() const { return position_; }
  uint32_t size() const { return size_; }
  // The sticky error of reads and seeks (kOk while none happened).
  FatResult error() const { return error_; }

 private:
  friend class FatVolumeState;
  static constexpr uint64_t kNoSector = UINT64_MAX;

  bool open_ = false;
  uint32_t mount_id_ = 0;  // of the volume when opened
  uint8_t mode_ = 0;       // kFatModeRead and others (ignored)
  FatResult error_ = FatResult::kOk;
  uint32_t position_ = 0;
  uint32_t size_ = 0;
  uint32_t start_cluster_ = 0;
  // The file's cluster chain, mapped at open as runs of consecutive clusters
  // in file order; covers `chain_clusters_` clusters. When the chain breaks
  // (a cluster outside the volume, a loop, a read error of the FAT) before
  // the file's end, `chain_error_` is what reading past the covered part
  // gives.
  std::vector<FatExtent> chain_;
  std::vector<uint32_t> chain_index_;  // file cluster index of each run's start
  uint32_t chain_clusters_ = 0;
  FatResult chain_error_ = FatResult::kOk;
  // Partial sectors go through this buffer; `buffered_sector_` is its file
  // sector index, kNoSector when empty.
  uint64_t buffered_sector_ = kNoSector;
  std::array<uint8_t, kFatSectorSize> buffer_{};
};

// True when `sector` (its first 512 bytes) is a FAT boot sector: the boot
// signature, a jump instruction and the "FAT" or "FAT32" file system mark.
// A drive whose sector 0 is one holds the volume itself, no partition table.
bool FatIsBootSector(const uint8_t* sector);

// Sets the physical drive number read at the next volume mount.
void FatSetDrive(int32_t drive);
// Reads the card image or block device at `path` instead, until the next
// FatSetDrive.
void FatSetDrivePath(const std::string& path);
// Sets the four partition starts, in 512-byte sectors from the drive's start.
void FatSetPartitionStarts(const std::array<uint32_t, kFatPartitionCount>& starts);

// Registers the volume object on the slot named by `volume` ("C:" to "L:" or
// "0:" to "9:", either letter case; what follows the colon is ignored),
// clearing it first, so that files opened before become invalid (kInvalidObject).
// The volume itself is read at the next FatOpen. kOk, or kInvalidDrive.
FatResult FatMount(const char* volume);
// Empties the named slot; a volume registered there is cleared, so its open
// files become invalid. kOk, or kInvalidDrive.
FatResult FatUnmount(const char* volume);

// Opens the file at `path` ("C:\folder\name.ext", code page 936 bytes, '\' or
// '/' separators, names compared case-insensitively) with mode bits `mode`;
// reads need kFatModeRead. Reads the volume first when the slot's volume has
// not been read since its mount (or the drive was not ready). On failure
// `file` is left closed.
FatResult FatOpen(FatFile& file, const char* path, uint8_t mode);
// Reads min(count, size - position) bytes into `buffer`; `*bytes_read` (may
// be null) receives the number of bytes delivered, also on failure. Device
// errors and broken chains stick: every later read and seek returns them.
FatResult FatRead(FatFile& file, void* buffer, uint32_t count, uint32_t* bytes_read);
// Moves to the absolute byte `offset`, clamped to the file size.
FatResult FatSeek(FatFile& file, uint64_t offset);
// Closes `file` (always); kOk, or kInvalidObject when it was not open or its
// volume had been remounted or unmounted.
FatResult FatClose(FatFile& file);

// The registered volume object, as far as it has been read.
FatVolumeInfo FatMountedVolume();

// Returns the reader to its state at process start (drive 0, zero partition
// starts, no slots, drive closed, ready), except that the mount counter keeps
// counting so that files opened before stay invalid. For tests and fuzzers.
void FatResetState();

}  // namespace brisca
