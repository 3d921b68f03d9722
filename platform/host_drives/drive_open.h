// Opening a drive path read-only. A drive path comes from the user or the
// environment and may name anything: a FIFO would block the opener (and the
// disk search with it) until some writer appears, a terminal or a socket
// never ends. Only regular files (disk images) and block devices are media.
#pragma once

#include <cstdint>
#include <string>

namespace host {

struct OpenedDrive {
  int fd = -1;        // read-only, close-on-exec, blocking again; -1 when refused
  uint64_t size = 0;  // bytes of the file or the block device
};

enum class DriveOpen {
  kOk,
  kCannotOpen,  // missing, unreadable, or the open failed
  kNotAMedium,  // neither a regular file nor a block device, or its size is unknown
};

// Opens `path` with O_NONBLOCK so that no file type can stall the open,
// checks its type with fstat, then clears O_NONBLOCK for ordinary reads.
// On kOk the caller owns `out.fd`; otherwise nothing stays open.
DriveOpen OpenDriveReadOnly(const std::string& path, OpenedDrive& out);

}  // namespace host
