// A disk medium in memory that misbehaves on request: the Nth read fails
// (once or from then on), every read hands out at most a few bytes, and the
// size it reports may be larger or smaller than the bytes it holds. Used by
// the file-system tests and the mount fuzzer.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/talvo_file_system/byte_source.h"

namespace tvfs::testing {

struct ReadFaults {
  uint64_t fail_read = 0;     // 1-based number of the read that fails; 0: none
  bool sticky = false;        // every read after that one fails as well
  size_t max_per_read = SIZE_MAX;  // longer reads come back short
  int64_t size_error = 0;     // Size() = bytes held + this, not below 0
};

class FaultyByteSource final : public ByteSource {
 public:
  FaultyByteSource(std::vector<uint8_t> bytes, ReadFaults faults)
      : bytes_(std::move(bytes)), faults_(faults) {}

  uint64_t Size() const override {
    const int64_t held = static_cast<int64_t>(bytes_.size());
    return static_cast<uint64_t>(std::max<int64_t>(0, held + faults_.size_error));
  }

  int64_t ReadAt(uint64_t offset, void* buffer, size_t length) const override {
    const uint64_t number = ++reads_;
    if (faults_.fail_read != 0 &&
        (number == faults_.fail_read || (faults_.sticky && number > faults_.fail_read))) {
      return -1;
    }
    if (offset >= bytes_.size()) return 0;
    const size_t count = std::min({length, bytes_.size() - static_cast<size_t>(offset),
                                   faults_.max_per_read});
    std::memcpy(buffer, bytes_.data() + offset, count);
    return static_cast<int64_t>(count);
  }

  uint64_t reads() const { return reads_; }

 private:
  const std::vector<uint8_t> bytes_;
  const ReadFaults faults_;
  mutable std::atomic<uint64_t> reads_{0};
};

}  // namespace tvfs::testing
