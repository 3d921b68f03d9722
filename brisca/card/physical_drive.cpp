#include "brisca/card/physical_drive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace brisca {
namespace {

std::atomic<int> fault_at{0};  // 0: no injection
std::atomic<bool> fault_sticky{false};
std::atomic<int> read_calls{0};

bool ReadInjected() {
  const int call = read_calls.fetch_add(1, std::memory_order_relaxed) + 1;
  const int at = fault_at.load(std::memory_order_relaxed);
  return at != 0 && call >= at && (call == at || fault_sticky.load(std::memory_order_relaxed));
}

bool ReadsOne(const std::string& file) {
  std::ifstream in(file);
  int value = 0;
  return static_cast<bool>(in >> value) && value == 1;
}

}  // namespace

PhysicalDriveTable HostPhysicalDriveTable() {
  return host::DriveTableFromEnvironment("BRISCA_PHYSICAL_DRIVES");
}

std::string PhysicalDrivePath(int drive, const PhysicalDriveTable& table) {
  return host::DrivePath(drive, table);
}

CPhysicalDrive::~CPhysicalDrive() { Close(); }

bool CPhysicalDrive::Open(int drive) {
  const std::string path = PhysicalDrivePath(drive, HostPhysicalDriveTable());
  if (path.empty()) {
    Close();
    return false;
  }
  return OpenPath(path);
}

bool CPhysicalDrive::OpenPath(const std::string& path) {
  Close();
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
  // writer. Regular files and block devices ignore the flag.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  path_ = path;
  return true;
}

void CPhysicalDrive::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
}

bool CPhysicalDrive::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (fd_ < 0 || ReadInjected()) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    const ssize_t got = ::pread(fd_, out, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    count -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

bool CPhysicalDrive::IsRemovable() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISBLK(info.st_mode)) return false;
  // A partition's entry has no flag of its own; its disk is the parent.
  const std::string entry = "/sys/dev/block/" + std::to_string(major(info.st_rdev)) + ":" +
                            std::to_string(minor(info.st_rdev));
  std::error_code error;
  if (std::filesystem::exists(entry + "/removable", error)) return ReadsOne(entry + "/removable");
  return ReadsOne(entry + "/../removable");
}

void InjectDriveReadFault(int nth, bool sticky) {
  fault_sticky.store(sticky, std::memory_order_relaxed);
  read_calls.store(0, std::memory_order_relaxed);
  fault_at.store(nth, std::memory_order_relaxed);
}

int DriveReadCallCount() { return read_calls.load(std::memory_order_relaxed); }

}  // namespace brisca
