// The card index manager: finds a recorder card among the physical drives,
// holds the index of the card's four partitions (or of an export folder),
// lists their recordings, resolves recording names for the card reader, and
// writes and updates the index files of an export folder for the export
// worker. One per process (CardIndexManager()).
//
// Threads: every call holds the card volume lock (CardVolumeLock), which
// also guards the manager's tables, so a reader looking a recording up never
// sees a table being re-read, and a probe or a listing never runs between
// the seek and the read of a card reader, nor between the mount and the
// unmount of an export that holds the lock for its copy.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "brisca/card/card_files.h"
#include "brisca/card/card_index.h"
#include "brisca/types/brisca_types.h"

namespace brisca {

inline constexpr int kCardProbedDrives = 16;

// Where one recording of the loaded index lies.
struct CardRecording {
  CardRecordingName name;
  int mode = kCardVolumeMode;
  std::string container_path;  // "C:\fly00001.evf", or "FOLDER/0_fly00001.evf"
  CardRecordingEntry entry{};  // its 32-byte entry in the card index
};

// What a listing read its tables from: SourcePath() and the mode then.
struct CardListingSource {
  std::string path;  // empty: nothing loaded
  int mode = kCardVolumeMode;
  bool operator==(const CardListingSource&) const = default;
};

class CPhysicalDrive;

class CIndexFileJvMgr {
 public:
  CIndexFileJvMgr();

  // Sets the folder and the mode of all four partitions; returns `mode`.
  int SetDir(const char* folder, int mode);

  // drive -1: probes drives 0-15 and writes a result for each card found
  // (`results` may be null; room for 16); returns the count. drive >= 0:
  // probes that drive only, writes nothing; 1 when it holds a card. A card
  // found sets the partitions to "C:" to "F:" in card mode and becomes the
  // drive the card volume reads. A sector 0 that is a FAT boot sector is
  // the card's one volume (its boot code is no partition table); in a
  // partition table, entries of type 0 are unused and have no start.
  int SearchSD(int drive, JvSearchResult* results);
  // Probes the card image (or block device) at `path` as SearchSD probes a
  // drive; a card found there becomes the card the volume reads, in place
  // of the drive found last. False when it holds no card.
  bool SelectImage(const std::string& path);

  // Re-reads the four partition indexes and lists their recordings (see
  // JV_GetFileParam in brisca.h): the record count with *list set to a
  // malloc'ed array (free with FreeFileParamArray), 0 with *list untouched
  // when the indexes name no recording slot, or, when no partition's index
  // can be read, the first partition's ReadIndexFile code. A partition
  // whose index cannot be read is left out and the others are listed; on a
  // card that is reported as damage, in an export folder (which holds only
  // the partitions it exported) a missing index is only logged. In card
  // mode a partition whose partition-table entry is empty (start 0,
  // partitions 1-3) is taken as empty: it would otherwise read the first
  // partition's volume again.
  int GetFileParam(RecFileParam** list, JV_SEARCH_CALLBACK callback, int32_t user);

  // The recording named "P\F\S" in the index loaded last; nothing when the
  // name is malformed or the recording is not in the table.
  std::optional<CardRecording> FindRecording(const char* name);

  // Mounts the card volume of `partition` around a reader's work (card mode
  // only; folder mode does nothing and succeeds). Mounting invalidates the
  // card files open before; a caller on a thread of its own holds
  // CardVolumeLock() from this call to UnmountPartition, so that no listing
  // or probe of another thread mounts in between.
  bool MountPartition(int partition);
  void UnmountPartition(int partition);

  // Export folder index files, for the export worker (brisca/export), from
  // the tables loaded by the last GetFileParam:
  //
  // Writes "folder/P_index00.bin" for P = 0-3, each listing only the
  // recordings of `names` that lie on partition P (names that are malformed
  // or not in the index are left out). The header is the card's, with
  // N = U = C and S = 0 and its checksum sealed again, so that the file
  // reads back in folder mode (JV_SetDir(folder, 0)) with its entries
  // where they were written. The recording entries are left empty (not
  // listed) until UpdateExportEntry writes them. 0, or -1 when a file
  // cannot be created or written (the later partitions are then not
  // written).
  int WriteExportIndexes(const char* folder, const std::vector<std::string>& names);
  // Sets the container offset of recording `name` in its partition's
  // exported index to `region_offset` (where the export put the recording
  // in "folder/P_flyFFFFF.evf"). 0; -1 when the index file cannot be
  // opened or written; -2 when the recording is not in the loaded index.
  int UpdateExportEntry(const char* folder, const char* name, uint32_t region_offset);
  // 1 when "folder/P_index00.bin" exists for some P in 0-3 and is not a
  // directory, else 0.
  static int ExportExists(const char* folder);
  // Deletes "folder/P_index00.bin" for P = 0-3 (missing files are fine).
  static void DeleteExportIndexes(const char* folder);

  // The physical drive of the card found last, -1 before any or when it is
  // an image given by path.
  int drive();
  // What the loaded index is read from: the folder in folder mode, else the
  // path of the card found last (image, or physical drive; empty before any).
  std::string SourcePath();
  // Where the tables of the last GetFileParam that did not fail came from;
  // an empty path before any, and from the start of a listing on.
  CardListingSource LoadedFrom();

 private:
  bool Probe(int drive, JvSearchResult* result);
  // Probes an opened drive (closing it); `image`: its path when it is an
  // image given by path, else empty and `drive` its number.
  bool ProbeOpened(CPhysicalDrive& device, int drive, const std::string& image);
  bool PartitionHasVolume(int partition) const;
  int ReadIndexes();

  // Guarded by CardVolumeLock():
  std::array<CIndexFileJv, kCardPartitionCount> partitions_;
  // Starting sectors of the card found last, from its partition table.
  std::array<uint32_t, kCardPartitionCount> partition_starts_{};
  int drive_ = -1;
  std::string image_path_;  // the card found last is this image; empty: drive_
  CardListingSource loaded_from_;
};

CIndexFileJvMgr& CardIndexManager();

}  // namespace brisca
