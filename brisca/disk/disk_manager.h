// The disk manager: finds recorder disks among the drive names "C:" to "N:",
// lists the recordings of the chosen one and mounts the disk for playback.
// One per process (DiskManager()); its calls are serialised.
#pragma once

#include <mutex>
#include <string>

#include "brisca/types/brisca_types.h"

namespace brisca {

inline constexpr int kDriveCount = 12;
inline constexpr int kMaxListedRecordings = 10000;

class CIndexFileNvrMgr {
 public:
  // index -1: probes every drive name, writes a result per disk found into
  // `results` (room for kDriveCount) and returns the count; index 0-11:
  // probes that one (nothing written), 1 when found. A found disk becomes
  // the chosen one and the folder that Mount mounts.
  int SearchSD(int index, NvrSearchResult* results);
  // The number of drive names whose device the last SearchSD(-1) found but
  // could not read for lack of permission; `first_path` receives the first
  // such device path (empty when none).
  int DeniedDrives(std::string& first_path);
  // Stores the folder and mode that Mount uses; returns `mode`.
  int SetDir(const char* folder, int mode);
  // Lists the chosen disk: the record count with *list set to a
  // calloc'ed array (free with FreeFileParam), 1 when the mount fails, or
  // the file system's error for the date list or a query. A date whose
  // segment table is damaged or unreadable is left out and reported
  // (ReportDamage); the other dates are listed. A recording whose end time
  // of day is before its start ran past midnight: it is listed under its
  // start date, its end time carries the next date and its end
  // milliseconds continue past 86,400,000. One that ends at its start is
  // left out.
  //
  // Mode 0 lists the local source at the stored path instead (a disk or
  // card image, a card export folder or a folder of stream files;
  // local_source.h): the count with *list set, or 1 with *list untouched.
  // Every listing that succeeds makes its source the listed source
  // (listed_source.h); a failed one leaves that as it was.
  int GetFileParam(RecFileParam** list);
  // Mounts / unmounts the stored folder when the stored mode is nonzero;
  // in mode 0 what the listed source needs for playing.
  int Mount();
  int Unmount();

  static const char* DriveName(int index);
  // The path behind the folder Mount mounts (a drive name resolved); empty
  // when there is none.
  std::string MountedPath();

 private:
  bool SearchSDOne(int index, NvrSearchResult* result, int& error);
  void NoteDenied(int index);
  // Mounts `drive` (a drive name or an image path) and lists it: 0 with
  // *list and `count` set, else the listing's error with *list untouched.
  int ListDisk(const std::string& drive, RecFileParam** list, int& count);
  int ListMounted(RecFileParam* records, int& count);

  std::mutex mutex_;
  std::string folder_;  // guarded by mutex_
  int mode_ = 1;
  int chosen_ = 0;
  int denied_count_ = 0;
  std::string first_denied_;
};

CIndexFileNvrMgr& DiskManager();

void FreeFileParamArray(void* list);

}  // namespace brisca
