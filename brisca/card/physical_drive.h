// Raw physical drives of the host ("PhysicalDrive%d"), always read-only.
//
// Physical drive d is the d-th path (from 0) of the environment variable
// BRISCA_PHYSICAL_DRIVES, paths separated by ':', when the variable is set;
// otherwise the d-th whole-disk block device of the machine in name order
// (loop, RAM and compressed-swap devices left out).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/host_drives/drive_table.h"

namespace brisca {

// What physical drive numbers resolve through; the variable is
// BRISCA_PHYSICAL_DRIVES.
using PhysicalDriveTable = host::DriveTable;

// The table of the running process, read from the environment at each call.
PhysicalDriveTable HostPhysicalDriveTable();

// The path of physical drive `drive`, or an empty string when there is no
// such drive (negative number, too few paths or devices, empty path entry).
std::string PhysicalDrivePath(int drive, const PhysicalDriveTable& table);

// One opened physical drive (or image file standing in for one). Not
// thread-safe; owners serialise their calls.
class CPhysicalDrive {
 public:
  CPhysicalDrive() = default;
  ~CPhysicalDrive();
  CPhysicalDrive(const CPhysicalDrive&) = delete;
  CPhysicalDrive& operator=(const CPhysicalDrive&) = delete;

  // Opens physical drive `drive` of the host table read-only, closing any
  // drive held before. False when the drive does not exist or cannot be
  // opened.
  bool Open(int drive);
  // Opens `path` read-only, closing any drive held before. Only regular
  // files (card images) and block devices qualify: the path is opened
  // non-blocking and its type checked before any read, so a FIFO, socket or
  // character device is refused at once instead of stalling the search.
  // False on failure.
  bool OpenPath(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Reads exactly `count` bytes at byte `offset` of the drive (short reads
  // are continued). False on an I/O error, at the end of the
  // drive before `count` bytes, or when nothing is open.
  bool ReadAt(uint64_t offset, void* buffer, size_t count);

  // True when the drive is a block device whose kernel entry reports
  // removable media; false for image files and fixed disks.
  bool IsRemovable() const;

  // The path opened last; empty when nothing is open.
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// Fault injection for tests: the `nth` ReadAt call from now on (1 = the
// next) of every CPhysicalDrive fails as an I/O error would, and with
// `sticky` so does every later one, as on a worn card. nth 0 ends the
// injection. Process-wide; not for production code.
void InjectDriveReadFault(int nth, bool sticky);
// ReadAt calls made since the last InjectDriveReadFault.
int DriveReadCallCount();

}  // namespace brisca
