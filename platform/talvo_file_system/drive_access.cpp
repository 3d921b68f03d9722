#include "platform/talvo_file_system/drive_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tvfs {

bool ReadPermissionDenied(const std::string& path) {
  if (path.empty()) return false;
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0) {
      ::close(fd);
      return false;
    }
    if (errno != EINTR) return errno == EACCES || errno == EPERM;
  }
}

}  // namespace tvfs
