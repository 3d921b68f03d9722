// The opaque handles of the exported interface: nonzero 32-bit values
// standing for library objects. A value that was never issued, or has been
// erased, finds nothing, exactly like 0, so a stale or forged handle cannot
// reach a destroyed or foreign object.
//
// Threads: every operation may run on any thread; one lock guards the
// table and is never held while an object is destroyed or used, so a call
// made from inside an object's own worker cannot wait for its own erasure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace brisca {

class CMulPlay;

// `Handle` is an unsigned integer type; the interface's handles are 32-bit.
template <typename T, typename Handle = uint32_t>
class HandleTable {
  static_assert(std::numeric_limits<Handle>::is_integer && !std::numeric_limits<Handle>::is_signed);

 public:
  HandleTable() = default;
  // The objects are released after the table is emptied, so a call their
  // shutdown makes into the table finds nothing instead of a map in pieces.
  ~HandleTable() {
    std::unordered_map<Handle, std::shared_ptr<T>> left;
    {
      const std::lock_guard lock(mutex_);
      left.swap(objects_);
    }
  }
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;

  // Issues a handle for the object: the value after the last one issued,
  // skipping 0 and values still in use, so an erased handle comes back only
  // after the counter has gone round all values. 0 for a null object, or
  // when every value is in use.
  Handle Issue(std::shared_ptr<T> object) {
    if (!object) return 0;
    const std::lock_guard lock(mutex_);
    if (objects_.size() >= size_t{std::numeric_limits<Handle>::max()}) return 0;
    do {
      ++last_;
    } while (last_ == 0 || objects_.contains(last_));
    objects_.emplace(last_, std::move(object));
    return last_;
  }

  // The object, shared so that it outlives the caller's use of it even if
  // another thread erases the handle meanwhile; null for an unknown handle.
  std::shared_ptr<T> Find(Handle handle) const {
    const std::lock_guard lock(mutex_);
    const auto found = objects_.find(handle);
    return found == objects_.end() ? nullptr : found->second;
  }

  // Forgets the handle and hands back its object (null for an unknown
  // handle), to be shut down and released outside the lock.
  std::shared_ptr<T> Erase(Handle handle) {
    const std::lock_guard lock(mutex_);
    const auto found = objects_.find(handle);
    if (found == objects_.end()) return nullptr;
    std::shared_ptr<T> object = std::move(found->second);
    objects_.erase(found);
    return object;
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_map<Handle, std::shared_ptr<T>> objects_;
  Handle last_ = 0;
};

// The process's decoder handles. Destroyed at exit (or unload), which
// releases the decoders the caller never erased.
HandleTable<CMulPlay>& DecoderHandles();

}  // namespace brisca
