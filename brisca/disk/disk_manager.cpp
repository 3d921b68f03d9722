#include "brisca/disk/disk_manager.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "brisca/base/damage_report.h"
#include "brisca/base/diag_log.h"
#include "brisca/disk/disk_segment_source.h"
#include "brisca/disk/tvfs_instance.h"
#include "brisca/recordings/listed_source.h"
#include "brisca/recordings/local_source.h"
#include "platform/talvo_file_system/drive_access.h"
#include "platform/talvo_file_system/drive_resolver.h"

namespace brisca {
namespace {

constexpr const char* kDriveNames[kDriveCount] = {"C:", "D:", "E:", "F:", "G:", "H:",
                                                  "I:", "J:", "K:", "L:", "M:", "N:"};

constexpr int kMillisecondsPerDay = 86400000;

int MillisecondsOfDay(int hour, int minute, int second) {
  return ((hour * 60 + minute) * 60 + second) * 1000;
}

BR_SYSTEMTIME DateTime(const std::chrono::year_month_day& date, int hour, int minute,
                       int second) {
  BR_SYSTEMTIME time{};
  time.year = static_cast<uint16_t>(static_cast<int>(date.year()));
  time.month = static_cast<uint16_t>(static_cast<unsigned>(date.month()));
  time.day = static_cast<uint16_t>(static_cast<unsigned>(date.day()));
  time.hour = static_cast<uint16_t>(hour);
  time.minute = static_cast<uint16_t>(minute);
  time.second = static_cast<uint16_t>(second);
  return time;
}

// `end` is in milliseconds from midnight of `date`, past a day's worth when
// the recording runs into the next day, whose date its end time then carries.
void FillRecord(RecFileParam& record, const _fs_date_& date, const _stream_query_result_& s,
                int start, int end) {
  using namespace std::chrono;
  std::snprintf(record.name, sizeof record.name, "%d\\%d\\%d", static_cast<int>(s.id.disk),
                static_cast<int>(s.id.number[0]), static_cast<int>(s.id.number[1]));
  const year_month_day start_date{year{2000 + date.year}, month{date.month}, day{date.day}};
  const year_month_day end_date{sys_days{start_date} + days{end / kMillisecondsPerDay}};
  record.start_time = DateTime(start_date, s.start_hour, s.start_minute, s.start_second);
  record.end_time = DateTime(end_date, s.end_hour, s.end_minute, s.end_second);
  record.start = static_cast<uint64_t>(start);
  record.end = static_cast<uint64_t>(end);
  record.duration_ms = end - start;
  record.channel = s.channel + 1;
  record.record_type = s.record_type;
}

}  // namespace

const char* CIndexFileNvrMgr::DriveName(int index) {
  return index >= 0 && index < kDriveCount ? kDriveNames[index] : nullptr;
}

bool CIndexFileNvrMgr::SearchSDOne(int index, NvrSearchResult* result, int& error) {
  error = ProcessTvfs().Mount(kDriveNames[index]);
  if (error != 0) {
    BrLog("CIndexFileNvrMgr::SearchSDOne:1 index=%d %d", index, error);
    return false;
  }
  BrLog("CIndexFileNvrMgr::SearchSDOne:2 %d", index);
  chosen_ = index;
  folder_ = kDriveNames[index];
  mode_ = 1;
  if (result) {
    result->drive_index = index;
    result->reserved0 = 0;
  }
  ProcessTvfs().Unmount();
  return true;
}

int CIndexFileNvrMgr::SearchSD(int index, NvrSearchResult* results) {
  std::lock_guard lock(mutex_);
  int error = 0;
  if (index >= 0) return index < kDriveCount && SearchSDOne(index, nullptr, error) ? 1 : 0;
  denied_count_ = 0;
  first_denied_.clear();
  int found = 0;
  for (int i = 0; i < kDriveCount; ++i) {
    if (SearchSDOne(i, results ? results + found : nullptr, error)) {
      ++found;
    } else if (error == TVFS_E_OPEN) {
      NoteDenied(i);
    }
  }
  return found;
}

// A drive whose device exists but refuses reading is worth telling the
// user about: joining the disk group mends it.
void CIndexFileNvrMgr::NoteDenied(int index) {
  const std::string path = tvfs::ResolveDrive(kDriveNames[index], tvfs::HostDriveTable());
  if (!tvfs::ReadPermissionDenied(path)) return;
  BrLog("CIndexFileNvrMgr::SearchSDOne:3 index=%d %s permission denied", index, path.c_str());
  if (denied_count_++ == 0) first_denied_ = path;
}

int CIndexFileNvrMgr::DeniedDrives(std::string& first_path) {
  std::lock_guard lock(mutex_);
  first_path = first_denied_;
  return denied_count_;
}

int CIndexFileNvrMgr::SetDir(const char* folder, int mode) {
  std::lock_guard lock(mutex_);
  folder_ = folder ? folder : "";
  mode_ = mode;
  return mode;
}

std::string CIndexFileNvrMgr::MountedPath() {
  std::lock_guard lock(mutex_);
  return tvfs::ResolveDrive(folder_, tvfs::HostDriveTable());
}

int CIndexFileNvrMgr::GetFileParam(RecFileParam** list) {
  if (!list) return 1;
  std::lock_guard lock(mutex_);
  if (mode_ == 0) {
    // A local source chosen by path; a file that holds no card may be a
    // recorder-disk image.
    if (const std::optional<int> local = ListLocalSource(folder_, list)) return *local;
    std::error_code error;
    const std::string image = std::filesystem::absolute(folder_, error).lexically_normal();
    int count = 0;
    if (error || ListDisk(image, list, count) != 0) return 1;
    SetListedSource({ListedKind::kDiskImage, image});
    return count;
  }
  int count = 0;
  const int error = ListDisk(kDriveNames[chosen_], list, count);
  if (error != 0) return error;
  SetListedSource({ListedKind::kRecorderDisk, kDriveNames[chosen_]});
  return count;
}

int CIndexFileNvrMgr::ListDisk(const std::string& drive, RecFileParam** list, int& count) {
  if (ProcessTvfs().Mount(drive) != 0) return 1;
  auto* records = static_cast<RecFileParam*>(std::calloc(kMaxListedRecordings, sizeof(RecFileParam)));
  const int error = records ? ListMounted(records, count) : 1;
  ProcessTvfs().Unmount();
  if (error != 0) {
    std::free(records);
    return error;
  }
  *list = records;
  return 0;
}

// Fills `records` from every readable date of the mounted disk; a date
// whose segments cannot be read is reported and skipped. 0, or the file
// system's error for the date list or any other failed query.
int CIndexFileNvrMgr::ListMounted(RecFileParam* records, int& count) {
  std::vector<_fs_date_> dates;
  const int error = CNvrFile::DateList(dates);
  if (error != 0) {
    BrLog("CIndexFileNvrMgr::SearchFile:0 %d", error);
    return error;
  }
  BrLog("CIndexFileNvrMgr::SearchFile:1 %d", static_cast<int>(dates.size()));
  count = 0;
  std::vector<_stream_query_result_> segments;
  for (const _fs_date_& date : dates) {
    const int query = CNvrFile::SegmentsOf(date, kMaxListedRecordings, segments);
    // A date whose table is damaged costs only its own recordings.
    if (query == TVFS_E_CORRUPT || query == TVFS_E_IO) {
      BrLog("CIndexFileNvrMgr::SearchFile:5 %d", query);
      ReportDamage("recorder disk: the recordings of %04d-%02d-%02d cannot be read (error %d); "
                   "they are left out of the list",
                   date.year + 2000, date.month, date.day, query);
      continue;
    }
    if (query != 0) return query;
    BrLog("CIndexFileNvrMgr::SearchFile:2 %d", static_cast<int>(segments.size()));
    for (const _stream_query_result_& s : segments) {
      const int start = MillisecondsOfDay(s.start_hour, s.start_minute, s.start_second);
      int end = MillisecondsOfDay(s.end_hour, s.end_minute, s.end_second);
      if (end == start) {
        BrLog("CIndexFileNvrMgr::SearchFile:3 %d %d %d %d %d %d", s.start_hour, s.start_minute,
              s.start_second, s.end_hour, s.end_minute, s.end_second);
        continue;
      }
      // An end before the start is on the next day: the recording ran past
      // midnight and stays under its start date.
      if (end < start) end += kMillisecondsPerDay;
      if (count >= kMaxListedRecordings) continue;
      FillRecord(records[count], date, s, start, end);
      BrLog("CIndexFileNvrMgr::SearchFile:4 %d %d %d %d %d %d %d", count, s.start_hour,
            s.start_minute, s.start_second, s.end_hour, s.end_minute, s.end_second);
      ++count;
    }
  }
  return 0;
}

int CIndexFileNvrMgr::Mount() {
  std::lock_guard lock(mutex_);
  return mode_ != 0 ? ProcessTvfs().Mount(folder_) : MountListedSource();
}

int CIndexFileNvrMgr::Unmount() {
  std::lock_guard lock(mutex_);
  return mode_ != 0 ? ProcessTvfs().Unmount() : UnmountListedSource();
}

CIndexFileNvrMgr& DiskManager() {
  static CIndexFileNvrMgr manager;
  return manager;
}

void FreeFileParamArray(void* list) { std::free(list); }

}  // namespace brisca
