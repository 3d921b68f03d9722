#include "platform/talvo_file_system/byte_source.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <new>

#include "platform/talvo_file_system/talvo_file_system.h"

namespace tvfs {

int ReadExact(const ByteSource& source, uint64_t offset, void* buffer, size_t length) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (length > 0) {
    const int64_t got = source.ReadAt(offset, out, length);
    if (got <= 0 || static_cast<uint64_t>(got) > length) return TVFS_E_IO;
    out += got;
    offset += static_cast<uint64_t>(got);
    length -= static_cast<size_t>(got);
  }
  return 0;
}

int FileByteSource::Open(const std::string& path, std::unique_ptr<FileByteSource>& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return TVFS_E_OPEN;
  struct stat info {};
  uint64_t size = 0;
  bool usable = ::fstat(fd, &info) == 0;
  if (usable && S_ISREG(info.st_mode)) {
    size = static_cast<uint64_t>(info.st_size);
  } else if (usable && S_ISBLK(info.st_mode)) {
    usable = ::ioctl(fd, BLKGETSIZE64, &size) == 0;
  } else {
    usable = false;
  }
  if (!usable) {
    ::close(fd);
    return TVFS_E_OPEN;
  }
  out.reset(new (std::nothrow) FileByteSource(fd, size));
  if (!out) {
    ::close(fd);
    return TVFS_E_NO_MEMORY;
  }
  return 0;
}

FileByteSource::~FileByteSource() { ::close(fd_); }

int64_t FileByteSource::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  if (offset > static_cast<uint64_t>(LLONG_MAX)) return -1;
  if (length > SSIZE_MAX) length = SSIZE_MAX;
  for (;;) {
    const ssize_t got = ::pread(fd_, buffer, length, static_cast<off_t>(offset));
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

}  // namespace tvfs
