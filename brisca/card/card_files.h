// Where the files of a card are and how they are read: recording names, the
// paths of index files and containers in card mode (inside the raw FAT volume
// of a partition, drive names "C:" to "F:") and folder mode (host files of an
// export folder), the byte source for each mode, mounting a partition's
// volume, and the process-wide lock of the card volume.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "brisca/base/mutex_lock.h"
#include "brisca/recordings/base_file.h"

namespace brisca {

inline constexpr int kCardPartitionCount = 4;
inline constexpr int kCardFolderMode = 0;  // host files of an export folder
inline constexpr int kCardVolumeMode = 1;  // the raw FAT volume of the card

// A card recording name "P\F\S": partition 0-3, file number, slot.
struct CardRecordingName {
  int partition = 0;
  uint32_t file_number = 0;
  uint32_t slot = 0;
};

// Parses "%d\%d\%d" exactly (three decimal numbers, nothing else); nothing
// when the text is not such a name or the partition is not 0-3.
std::optional<CardRecordingName> ParseCardRecordingName(const char* name);
std::string FormatCardRecordingName(const CardRecordingName& name);

// Card mode: "C:" to "F:" for partitions 0-3.
const char* CardDriveName(int partition);

// "D\index00.bin" in card mode, "D/P_index00.bin" in folder mode.
std::string CardIndexPath(const std::string& folder, int mode, int partition);
// "D\flyFFFFF.evf" in card mode, "D/P_flyFFFFF.evf" in folder mode.
std::string CardContainerPath(const std::string& folder, int mode, int partition,
                              uint32_t file_number);

// A new, unopened byte source for the mode: a CSdFile on the mounted card
// volume in card mode, a COsFile otherwise.
std::unique_ptr<CBaseFile> MakeCardSource(int mode);

// Reads up to `count` bytes through the source's ReadSome, continuing short
// reads; returns the number read (fewer at the end or on an error).
size_t ReadFromSource(CBaseFile& source, void* buffer, size_t count);

// Registers partition `partition`'s volume on its drive name (read at the
// next open). Files of the card opened before become invalid. True on
// success.
bool MountCardPartition(int partition);
void UnmountCardPartition(int partition);

// The one lock of the process-wide card volume (raw_fat_volume.h), whose
// state is not guarded otherwise: the card index manager holds it for each
// of its calls (the probe, the listing, mounts), the card readers around
// every open, seek-and-read pair and close. Mounting a partition
// invalidates the card files open before, so whoever mounts a partition and
// reads through it (an export copying a recording) holds the lock from the
// mount to the unmount; a listing then waits instead of pulling the volume
// from under it. Recursive, like every CMutexLock.
CMutexLock& CardVolumeLock();

}  // namespace brisca
