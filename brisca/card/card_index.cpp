#include "brisca/card/card_index.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <utility>

#include "brisca/base/damage_report.h"
#include "brisca/base/diag_log.h"
#include "brisca/base/file_write.h"
#include "brisca/card/calendar_time.h"

namespace brisca {

namespace ci = card_index;

// The copy of every block of a card index read in card mode, kept beside
// the diagnostic log for later examination. Failures to write it are
// silent, like those of the log.
class CIndexFileJv::DiagnosticCopy {
 public:
  DiagnosticCopy() = default;
  explicit DiagnosticCopy(int partition) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // FileFor gives ROOT/log/YYYYMMDD/log.txt; the copy goes to ROOT/log.
    const std::filesystem::path log = ProcessLog().FileFor(local);
    if (log.empty()) return;  // no log root: no copy either, never the current folder
    const std::filesystem::path folder = log.parent_path().parent_path();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    char name[32];
    std::snprintf(name, sizeof name, "%d_index00.bin", partition);
    file_.open(folder / name, std::ios::binary | std::ios::trunc);
  }

  void Append(const uint8_t* data, size_t size) {
    if (file_.is_open()) file_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

 private:
  std::ofstream file_;
};

namespace {

bool WriteAt(int fd, const void* data, size_t size, uint64_t position) {
  // A partition without file entries has nothing to write.
  if (size == 0) return true;
  if (position > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return false;
  return WriteFullyAt(fd, data, size, position);
}

// Closes a descriptor at the end of a scope; the result of close counts.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool KnownChannel(uint8_t channel) {
  return channel != ci::kNoChannel && channel != ci::kUnusedChannel;
}

int32_t ClampedDurationMs(uint32_t start, uint32_t end) {
  const int64_t ms = (static_cast<int64_t>(end) - static_cast<int64_t>(start)) * 1000;
  return static_cast<int32_t>(std::clamp<int64_t>(ms, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

CIndexFileJv::CIndexFileJv(int partition) : partition_(partition) {}

void CIndexFileJv::SetDir(const std::string& folder, int mode) {
  folder_ = folder;
  mode_ = mode;
}

void CIndexFileJv::Clear() {
  loaded_ = false;
  header_.fill(0);
  table_.clear();
  recordings_.clear();
  first_entry_.clear();
}

void CIndexFileJv::LoadEmpty() {
  Clear();
  loaded_ = true;
}

int CIndexFileJv::ReadIndexFile() {
  Clear();
  const bool card = mode_ != kCardFolderMode;
  if (card && !MountCardPartition(partition_)) {
    BrLog("CIndexFileJv::ReadIndexFile:1 %d", partition_);
    return kMountFailed;
  }
  DiagnosticCopy copy = card ? DiagnosticCopy(partition_) : DiagnosticCopy();
  const std::string path = CardIndexPath(folder_, mode_, partition_);
  std::unique_ptr<CBaseFile> source = MakeCardSource(mode_);
  int result = 0;
  const int opened = source->OpenFile(path.c_str(), 1);
  if (opened != 0) {
    BrLog("CIndexFileJv::ReadIndexFile:2 %d", opened);
    result = kNoIndexFile;
  } else {
    result = ReadFrom(*source, copy);
    source->Close();
  }
  if (card) UnmountCardPartition(partition_);
  if (result != 0) {
    Clear();
    return result;
  }
  loaded_ = true;
  return 0;
}

int CIndexFileJv::ReadFrom(CBaseFile& source, DiagnosticCopy& copy) {
  const size_t header_read = ReadFromSource(source, header_.data(), header_.size());
  copy.Append(header_.data(), header_read);
  if (header_read != header_.size()) {
    BrLog("CIndexFileJv::ReadIndexFile:3 %d", static_cast<int>(header_read));
    return kHeaderUnreadable;
  }
  if (mode_ != kCardFolderMode) {
    const uint32_t sum = ci::ComputeChecksum(header_.data());
    if (sum == 0 || sum != ci::StoredChecksum(header_.data())) {
      BrLog("CIndexFileJv::ReadIndexFile:4 %d", static_cast<int>(sum));
      return kChecksumWrong;
    }
  }
  const ci::Counts counts = ci::ReadCounts(header_.data());
  if (counts.capacity > ci::kMaxRingEntries) {
    BrLog("CIndexFileJv::ReadIndexFile:5 %d", -1);
    return kRingUnreadable;
  }
  std::vector<uint8_t> ring(size_t{counts.capacity} * ci::kFileEntrySize);
  if (!ring.empty()) {
    const size_t ring_read = ReadFromSource(source, ring.data(), ring.size());
    copy.Append(ring.data(), ring_read);
    if (ring_read != ring.size()) {
      BrLog("CIndexFileJv::ReadIndexFile:5 %d", static_cast<int>(ring_read));
      return kRingUnreadable;
    }
  }
  std::optional<std::vector<ci::FileEntry>> table = ci::UnrollFileTable(header_.data(), ring.data());
  if (!table) {
    BrLog("CIndexFileJv::ReadIndexFile:5 %d", -2);
    return kRingUnreadable;
  }
  table_ = std::move(*table);
  for (size_t i = 0; i < table_.size(); ++i) first_entry_.emplace(table_[i].file_number, i);
  return ReadRecordingTables(source, ci::kHeaderSize + ring.size(), copy);
}

int CIndexFileJv::ReadRecordingTables(CBaseFile& source, uint64_t base, DiagnosticCopy& copy) {
  for (size_t i = 0; i < table_.size(); ++i) {
    ci::FileEntry& entry = table_[i];
    if (entry.file_number == ci::kBadFileNumber) {
      BrLog("CIndexFileJv::ReadIndexFile:6 %d", static_cast<int>(i));
      return kBadFileNumber;
    }
    if (entry.last_slot >= ci::kSlotsPerFile) {
      BrLog("CIndexFileJv::ReadIndexFile:8 %d %d", static_cast<int>(i), entry.last_slot);
      entry.last_slot = ci::kSlotsPerFile - 1;
    }
    const size_t size = (size_t{entry.last_slot} + 1) * ci::kRecordingEntrySize;
    std::vector<uint8_t>& recordings = recordings_[entry.file_number];
    if (recordings.size() >= size) continue;  // read whole for an earlier entry
    recordings.assign(size, 0);
    const uint64_t position = ci::RecordingEntryPosition(base, entry.file_number, 0);
    size_t got = 0;
    if (position <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) &&
        source.Seek(static_cast<int64_t>(position), SeekOrigin::kStart) == 0)
      got = ReadFromSource(source, recordings.data(), size);
    copy.Append(recordings.data(), got);
    if (got == 0) {
      BrLog("CIndexFileJv::ReadIndexFile:7 %d", 0);
      return kTableUnreadable;
    }
  }
  return 0;
}

uint64_t CIndexFileJv::SlotCount() const {
  uint64_t count = 0;
  for (const ci::FileEntry& entry : table_) count += uint64_t{entry.last_slot} + 1;
  return count;
}

bool CIndexFileJv::FindRecording(uint32_t file_number, uint32_t slot,
                                 CardRecordingEntry* entry) const {
  const auto first = first_entry_.find(file_number);
  if (first == first_entry_.end() || slot > table_[first->second].last_slot) return false;
  const auto recordings = recordings_.find(file_number);
  if (recordings == recordings_.end()) return false;
  const size_t at = size_t{slot} * ci::kRecordingEntrySize;
  if (at + ci::kRecordingEntrySize > recordings->second.size()) return false;
  if (entry) std::copy_n(recordings->second.begin() + static_cast<ptrdiff_t>(at), entry->size(), entry->begin());
  return true;
}

bool CIndexFileJv::RepairChannel(size_t index, ci::FileEntry& entry) {
  for (int k = 1; k <= ci::kDescriptorCount; ++k) {
    const ci::Descriptor descriptor = ci::ReadDescriptor(header_.data(), k);
    if (descriptor.file_number == ci::kNoOpenFile ||
        descriptor.file_number != static_cast<uint16_t>(entry.file_number))
      continue;
    entry.channel = static_cast<uint8_t>(k);
    BrLog("CIndexFileJv::GetFilePara2:2 %d %d", static_cast<int>(index), k);
    return true;
  }
  return false;
}

// What one partition's listing left out, counted per cause.
struct CIndexFileJv::Omissions {
  uint32_t repeated_entries = 0;   // entries repeating a file number listed before
  uint32_t first_repeated = 0;     // the file number of the first of them
  uint32_t empty_slots = 0;        // start and end 0: never written
  uint32_t before_2000 = 0;
  uint32_t unreadable = 0;         // refused by the check
  std::string first_unreadable;    // its name
  std::set<uint32_t> no_container; // file numbers whose container does not open
};

void CIndexFileJv::AppendRecords(std::vector<RecFileParam>& out, CardListingProgress& progress,
                                 const RecordingCheck& check) {
  const int in_use = static_cast<int>(table_.size());
  Omissions omitted;
  for (size_t i = 0; i < table_.size(); ++i) {
    ci::FileEntry& entry = table_[i];
    if (first_entry_.at(entry.file_number) != i) {
      if (omitted.repeated_entries++ == 0) omitted.first_repeated = entry.file_number;
      progress.done += uint64_t{entry.last_slot} + 1;
      continue;
    }
    if (!KnownChannel(entry.channel)) {
      BrLog("CIndexFileJv::GetFilePara2:1 %d %d %u %d %d", static_cast<int>(i), 0,
            entry.file_number, in_use, entry.last_slot + 1);
      if (!RepairChannel(i, entry)) {
        BrLog("CIndexFileJv::GetFilePara2:3 %d %d %u %d %d", static_cast<int>(i), 0,
              entry.file_number, in_use, entry.last_slot + 1);
        progress.done += uint64_t{entry.last_slot} + 1;
        continue;
      }
    }
    AppendEntry(entry, out, progress, check, omitted);
  }
  ReportOmissions(omitted);
}

void CIndexFileJv::AppendEntry(const ci::FileEntry& entry, std::vector<RecFileParam>& out,
                               CardListingProgress& progress, const RecordingCheck& check,
                               Omissions& omitted) {
  const auto table = recordings_.find(entry.file_number);
  const size_t stored = table == recordings_.end() ? 0 : table->second.size() / ci::kRecordingEntrySize;
  const uint32_t slots = static_cast<uint32_t>(std::min<size_t>(uint64_t{entry.last_slot} + 1, stored));
  for (uint32_t slot = 0; slot < slots; ++slot) {
    if (progress.callback && progress.total > 0)
      progress.callback(progress.user, static_cast<int32_t>(progress.done * 100 / progress.total));
    ++progress.done;
    const uint8_t* recording = table->second.data() + size_t{slot} * ci::kRecordingEntrySize;
    const uint32_t start = ci::StartSeconds(recording);
    const uint32_t end = ci::EndSeconds(recording);
    if (start == 0 && end == 0) {
      ++omitted.empty_slots;
      continue;
    }
    RecFileParam record{};
    record.start_time = UtcSystemTime(start);
    record.end_time = UtcSystemTime(end);
    if (record.start_time.year < 2000 || record.end_time.year < 2000) {
      if (omitted.before_2000++ == 0) {
        BrLog("CIndexFileJv::GetFilePara2:4 %u %d %d", entry.file_number, record.start_time.year,
              record.end_time.year);
      }
      continue;
    }
    const std::string name = FormatCardRecordingName({partition_, entry.file_number, slot});
    std::snprintf(record.name, sizeof record.name, "%s", name.c_str());
    const int checked = check(record.name);
    if (checked != 0) {
      if (omitted.unreadable++ == 0) {
        omitted.first_unreadable = name;
        BrLog("CIndexFileJv::GetFilePara2:5 %s", record.name);
      }
      if (checked == kCheckNoContainer) {
        // The other slots name the same container: they are left out unread.
        omitted.no_container.insert(entry.file_number);
        omitted.unreadable += slots - slot - 1;
        progress.done += slots - slot - 1;
        break;
      }
      continue;
    }
    record.duration_ms = ClampedDurationMs(start, end);
    record.channel = entry.channel;
    record.record_type = ci::RecordType(recording);
    const BR_SYSTEMTIME& t = record.start_time;
    BrLog("CIndexFileJv::GetFilePara2:6 %u %d %u %d-%d-%d %d:%d:%d", entry.file_number,
          record.channel, slot, t.year, t.month, t.day, t.hour, t.minute, t.second);
    out.push_back(record);
  }
  // Slots the table claims beyond what was read count as met.
  progress.done += uint64_t{entry.last_slot} + 1 - slots;
}

void CIndexFileJv::ReportOmissions(const Omissions& omitted) const {
  if (omitted.repeated_entries > 0)
    ReportDamage("card partition %d: %u index entries repeat a file number listed before "
                 "(first %u); its recordings are listed once",
                 partition_, omitted.repeated_entries, omitted.first_repeated);
  if (omitted.empty_slots > 0)
    BrLog("CIndexFileJv::GetFilePara2:7 %d %u empty slots", partition_, omitted.empty_slots);
  if (omitted.before_2000 > 1)
    BrLog("CIndexFileJv::GetFilePara2:4 %d %u recordings before 2000 in all", partition_,
          omitted.before_2000);
  if (omitted.unreadable > 0)
    ReportDamage("card partition %d: %u recordings left out as unreadable (first %s; "
                 "%zu containers do not open)",
                 partition_, omitted.unreadable, omitted.first_unreadable.c_str(),
                 omitted.no_container.size());
}

int CIndexFileJv::WriteExportIndex(const std::string& folder,
                                   const std::vector<CardRecordingName>& names) const {
  // Per file number, the highest slot named of the recordings of this
  // partition that the table holds.
  std::map<uint32_t, uint32_t> highest;
  for (const CardRecordingName& name : names) {
    if (name.partition != partition_ || !FindRecording(name.file_number, name.slot, nullptr))
      continue;
    uint32_t& top = highest[name.file_number];
    top = std::max(top, name.slot);
  }
  const std::string path = CardIndexPath(folder, kCardFolderMode, partition_);
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) {
    BrLog("CIndexFileJv::WriteExportIndex:1 %s", path.c_str());
    return -1;
  }
  const uint32_t count = static_cast<uint32_t>(table_.size());
  const uint64_t tables_base = ci::kHeaderSize + uint64_t{count} * ci::kFileEntrySize;
  // At least C tables long, and long enough that the table of every entry
  // reads back, also where its file number is C or more.
  uint64_t length = tables_base + uint64_t{count} * ci::kRecordingTableSize;
  for (const ci::FileEntry& entry : table_)
    length = std::max(length, ci::RecordingEntryPosition(tables_base, entry.file_number,
                                                         uint32_t{entry.last_slot} + 1));
  if (length > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) length = 0;
  std::array<uint8_t, ci::kHeaderSize> header = header_;
  ci::WriteCounts(header.data(), {count, count, count, 0});
  ci::SealChecksum(header.data());
  bool ok = length > 0 && ::ftruncate(fd.get(), static_cast<off_t>(length)) == 0 &&
            WriteAt(fd.get(), header.data(), header.size(), 0);
  std::vector<ci::FileEntry> entries = table_;
  std::vector<uint8_t> packed(entries.size() * ci::kFileEntrySize);
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto top = highest.find(entries[i].file_number);
    if (top != highest.end()) {
      entries[i].last_slot = static_cast<uint16_t>(top->second);
    } else {
      entries[i].channel = ci::kUnusedChannel;
    }
    ci::WriteFileEntry(packed.data() + i * ci::kFileEntrySize, entries[i]);
  }
  ok = ok && WriteAt(fd.get(), packed.data(), packed.size(), ci::kHeaderSize);
  // The recording entries stay empty until UpdateExportEntry writes each
  // one with its new offset: an entry written now would carry the card's
  // offset, and a recording whose copy fails would then be listed over the
  // bytes of another recording of the exported container.
  if (!fd.Close() || !ok) {
    BrLog("CIndexFileJv::WriteExportIndex:2 %s", path.c_str());
    return -1;
  }
  return 0;
}

int CIndexFileJv::UpdateExportEntry(const std::string& folder, const CardRecordingName& name,
                                    uint32_t region_offset) const {
  const std::string path = CardIndexPath(folder, kCardFolderMode, partition_);
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) return -1;
  CardRecordingEntry recording{};
  if (name.partition != partition_ || !FindRecording(name.file_number, name.slot, &recording))
    return -2;
  ci::SetRegionOffset(recording.data(), region_offset);
  const uint64_t tables_base = ci::kHeaderSize + uint64_t{table_.size()} * ci::kFileEntrySize;
  const bool written = WriteAt(fd.get(), recording.data(), recording.size(),
                               ci::RecordingEntryPosition(tables_base, name.file_number, name.slot));
  return fd.Close() && written ? 0 : -1;
}

}  // namespace brisca
