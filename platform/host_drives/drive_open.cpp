#include "platform/host_drives/drive_open.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace host {
namespace {

int OpenNonBlocking(const char* path) {
  for (;;) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

bool MediumSize(int fd, uint64_t& size) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  if (S_ISREG(info.st_mode)) {
    size = static_cast<uint64_t>(info.st_size);
    return true;
  }
  return S_ISBLK(info.st_mode) && ::ioctl(fd, BLKGETSIZE64, &size) == 0;
}

}  // namespace

DriveOpen OpenDriveReadOnly(const std::string& path, OpenedDrive& out) {
  out = OpenedDrive{};
  if (path.empty()) return DriveOpen::kCannotOpen;
  const int fd = OpenNonBlocking(path.c_str());
  if (fd < 0) return DriveOpen::kCannotOpen;
  uint64_t size = 0;
  if (!MediumSize(fd, size)) {
    ::close(fd);
    return DriveOpen::kNotAMedium;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return DriveOpen::kCannotOpen;
  }
  out.fd = fd;
  out.size = size;
  return DriveOpen::kOk;
}

}  // namespace host
