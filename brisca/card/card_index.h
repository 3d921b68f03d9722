// The card index of one partition: the index file's header, its file table
// in time order and the recording table of each file number, read from
// "index00.bin" on the card (card mode) or from "P_index00.bin" of an export
// folder (folder mode); the listing of its recordings; and the index of an
// export folder, written for the export worker.
//
// Threads: not guarded; its owner (CIndexFileJvMgr) serialises every call.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "brisca/card/card_files.h"
#include "brisca/card/card_index_layout.h"
#include "brisca/types/brisca_types.h"

namespace brisca {

using CardRecordingEntry = std::array<uint8_t, card_index::kRecordingEntrySize>;

// The listing's progress, shared by the four partitions of one listing.
struct CardListingProgress {
  JV_SEARCH_CALLBACK callback = nullptr;  // may be null
  int32_t user = 0;
  uint64_t done = 0;   // recording slots met so far
  uint64_t total = 0;  // slots of all partitions; nonzero while listing
};

class CIndexFileJv {
 public:
  // ReadIndexFile's results.
  enum : int {
    kMountFailed = -1,
    kNoIndexFile = -2,
    kHeaderUnreadable = -3,
    kChecksumWrong = -4,
    kRingUnreadable = -5,
    kBadFileNumber = -6,
    kTableUnreadable = -7,
  };

  explicit CIndexFileJv(int partition);

  // Folder ("C:" to "F:" in card mode, a host folder in folder mode) and
  // mode (kCardVolumeMode or kCardFolderMode). Initially "", card mode.
  void SetDir(const std::string& folder, int mode);
  const std::string& folder() const { return folder_; }
  int mode() const { return mode_; }
  int partition() const { return partition_; }
  bool loaded() const { return loaded_; }

  // Drops the tables and reads the index file again. Card mode mounts the
  // partition's volume for the read (unmounted again before returning) and
  // writes every block read to the diagnostic copy "log/P_index00.bin" under
  // the log root. 0, or one of the codes above; on failure the partition
  // holds no entries and is not loaded. A recording table that ends early
  // reads as empty slots; file entries claiming more than 256 slots keep 256.
  int ReadIndexFile();
  // Marks the partition loaded without entries: in card mode, a partition
  // whose partition-table entry is empty has no volume of its own.
  void LoadEmpty();

  // The number of recording slots of all file entries (last slot + 1 each).
  uint64_t SlotCount() const;

  // The recording entry of slot `slot` of the first file entry whose file
  // number is `file_number`; false when there is none or the slot is beyond
  // its last slot.
  bool FindRecording(uint32_t file_number, uint32_t slot, CardRecordingEntry* entry) const;

  // 0 when the recording `name` can be read, else a negative code;
  // kCheckNoContainer says that the recording's container cannot be opened,
  // so no other slot of that file is checked.
  using RecordingCheck = std::function<int(const char* name)>;
  static constexpr int kCheckNoContainer = -2;
  // Appends a record for each recording of the table that the listing keeps:
  // entries without a known channel take it from the channel descriptor of
  // their file (the repaired channel stays in the table); empty slots (start
  // and end 0), recordings whose start or end lies before 2000 and those
  // `check` refuses are left out. An entry repeating a file number listed
  // before is skipped whole: the recordings of a file number are those of
  // its first entry, and listing them again would name them twice. Work is
  // proportional to the slots of distinct file numbers; the log gets one
  // line per cause left out, not one per slot. Calls the progress callback
  // once per slot listed; skipped entries advance the count at once.
  void AppendRecords(std::vector<RecFileParam>& out, CardListingProgress& progress,
                     const RecordingCheck& check);

  // Export folder index "folder/P_index00.bin" for the recordings of `names`
  // that belong to this partition and are in the table (others are
  // ignored). The file is created anew with the loaded header, whose ring
  // counts are rewritten to N = U = C (the table size) and S = 0 and whose
  // checksum is sealed again, followed by the C file entries as a plain
  // array, so that folder mode reads the entries back in the same order at
  // the same positions. The file is at least 512 + 8208 C bytes long and
  // covers the table of every entry (zero where nothing was written). An entry with named recordings keeps them up to the
  // highest named slot; an entry without any gets channel 255. Recording
  // entries (at 512 + 16 C + 8192 F + 32 S) stay empty, so a recording is
  // listed only once UpdateExportEntry has written it with its new
  // container offset. A partition that is not loaded gets an index without
  // entries. 0, or -1 when the file cannot be created or written.
  int WriteExportIndex(const std::string& folder,
                       const std::vector<CardRecordingName>& names) const;
  // Rewrites the exported entry of `name` (this partition) in
  // "folder/P_index00.bin" with `region_offset` as its container offset.
  // 0; -1 when the file cannot be opened or written; -2 when the recording
  // is not in the table.
  int UpdateExportEntry(const std::string& folder, const CardRecordingName& name,
                        uint32_t region_offset) const;

 private:
  class DiagnosticCopy;

  void Clear();
  int ReadFrom(CBaseFile& source, DiagnosticCopy& copy);
  int ReadRecordingTables(CBaseFile& source, uint64_t base, DiagnosticCopy& copy);
  struct Omissions;
  bool RepairChannel(size_t index, card_index::FileEntry& entry);
  void AppendEntry(const card_index::FileEntry& entry, std::vector<RecFileParam>& out,
                   CardListingProgress& progress, const RecordingCheck& check,
                   Omissions& omitted);
  void ReportOmissions(const Omissions& omitted) const;

  int partition_;
  std::string folder_;
  int mode_ = kCardVolumeMode;
  bool loaded_ = false;
  std::array<uint8_t, card_index::kHeaderSize> header_{};
  std::vector<card_index::FileEntry> table_;
  // Recording tables by file number (entries naming the same file share
  // one), each at least (last slot + 1) * 32 bytes of every entry naming it.
  std::map<uint32_t, std::vector<uint8_t>> recordings_;
  // The table index of the first entry of each file number, which lookups
  // resolve to.
  std::map<uint32_t, size_t> first_entry_;
};

}  // namespace brisca
