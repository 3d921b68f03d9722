// The library's lock and its scoped holder. The lock is recursive: the thread
// that holds it may enter it again.
#pragma once

#include <mutex>

namespace brisca {

class CMutexLock {
 public:
  CMutexLock() = default;
  virtual ~CMutexLock() = default;
  CMutexLock(const CMutexLock&) = delete;
  CMutexLock& operator=(const CMutexLock&) = delete;

  void Lock() { mutex_.lock(); }
  void Unlock() { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

// Enters the lock on construction and leaves it on destruction unless it was
// released early. A null lock is allowed and makes the holder a no-op.
class CAutoLock {
 public:
  explicit CAutoLock(CMutexLock* lock);
  virtual ~CAutoLock();
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

  // Leaves the lock now and forgets it, so the destructor does nothing.
  void Release();

 private:
  CMutexLock* lock_;
};

}  // namespace brisca
