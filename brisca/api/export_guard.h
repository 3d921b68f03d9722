// Keeps exceptions inside the library: an export's body runs through
// Guarded, and anything thrown inside (an allocation failure) becomes the
// export's failure result.
#pragma once

#include <cstdint>

namespace brisca {

template <typename Call>
int32_t Guarded(int32_t failure, Call call) {
  try {
    return call();
  } catch (...) {
    return failure;
  }
}

}  // namespace brisca
