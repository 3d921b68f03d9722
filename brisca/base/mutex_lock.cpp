#include "brisca/base/mutex_lock.h"

namespace brisca {

CAutoLock::CAutoLock(CMutexLock* lock) : lock_(lock) {
  if (lock_) lock_->Lock();
}

CAutoLock::~CAutoLock() { Release(); }

void CAutoLock::Release() {
  if (lock_) {
    lock_->Unlock();
    lock_ = nullptr;
  }
}

}  // namespace brisca
