#include "platform/talvo_file_system/byte_source.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <new>

#include "platform/host_drives/drive_open.h"
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
  host::OpenedDrive drive;
  if (host::OpenDriveReadOnly(path, drive) != host::DriveOpen::kOk) return TVFS_E_OPEN;
  out.reset(new (std::nothrow) FileByteSource(drive.fd, drive.size));
  if (!out) {
    ::close(drive.fd);
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
