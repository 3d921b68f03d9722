// Keeps exceptions inside the library: an export's body runs through
// Guarded, and anything thrown inside (an allocation failure) becomes the
// export's failure result. WithHandle adds the lookup of a handle.
#pragma once

#include <cstdint>
#include <memory>

namespace brisca {

template <typename Result, typename Call>
Result Guarded(Result failure, Call call) {
  try {
    return call();
  } catch (...) {
    return failure;
  }
}

// Runs `call` on the object behind `handle`, which the lookup keeps alive
// until the call returns even if another thread erases the handle
// meanwhile; `null_result` for an unknown handle and for anything thrown.
template <typename Table, typename Call>
int32_t WithHandle(const Table& table, uint32_t handle, int32_t null_result, Call call) {
  return Guarded(null_result, [&]() -> int32_t {
    const auto object = table.Find(handle);
    if (!object) return null_result;
    return call(*object);
  });
}

}  // namespace brisca
