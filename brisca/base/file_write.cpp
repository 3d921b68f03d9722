#include "brisca/base/file_write.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <vector>

namespace brisca {
namespace {

std::atomic<int> fault_at{0};  // 0: no injection
std::atomic<int> fault_error{0};
std::atomic<bool> fault_sticky{false};
std::atomic<int> calls{0};

// True when this call is to fail (errno set).
bool Injected() {
  const int call = calls.fetch_add(1, std::memory_order_relaxed) + 1;
  const int at = fault_at.load(std::memory_order_relaxed);
  if (at == 0 || call < at || (call > at && !fault_sticky.load(std::memory_order_relaxed))) {
    return false;
  }
  errno = fault_error.load(std::memory_order_relaxed);
  return true;
}

}  // namespace

void InjectWriteFault(int nth, int error, bool sticky) {
  fault_error.store(error, std::memory_order_relaxed);
  fault_sticky.store(sticky, std::memory_order_relaxed);
  calls.store(0, std::memory_order_relaxed);
  fault_at.store(nth, std::memory_order_relaxed);
}

int WriteCallCount() { return calls.load(std::memory_order_relaxed); }

bool WriteFullyAt(int fd, const iovec* pieces, int count, uint64_t offset) {
  if (count < 0 || count > IOV_MAX) {
    errno = EINVAL;
    return false;
  }
  std::vector<iovec> left;
  left.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    if (pieces[i].iov_len != 0) left.push_back(pieces[i]);  // a write of nothing is no progress
  }
  count = static_cast<int>(left.size());
  iovec* piece = left.data();
  while (count > 0) {
    if (Injected()) return false;
    const ssize_t written = ::pwritev(fd, piece, count, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return false;
    if (written == 0) {
      errno = ENOSPC;
      return false;
    }
    offset += static_cast<uint64_t>(written);
    size_t done = static_cast<size_t>(written);
    while (count > 0 && done >= piece->iov_len) {
      done -= piece->iov_len;
      ++piece;
      --count;
    }
    if (count > 0) {
      piece->iov_base = static_cast<uint8_t*>(piece->iov_base) + done;
      piece->iov_len -= done;
    }
  }
  return true;
}

bool WriteFullyAt(int fd, const void* data, size_t size, uint64_t offset) {
  const iovec piece{const_cast<void*>(data), size};
  return WriteFullyAt(fd, &piece, 1, offset);
}

bool WriteFully(int fd, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    if (Injected()) return false;
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return false;
    if (written == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace brisca
