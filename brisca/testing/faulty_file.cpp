#include "brisca/testing/faulty_file.h"

#include <algorithm>

namespace brisca::testing {

bool FaultyFile::Fails() {
  ++reads_;
  if (faults_.fail_read == 0) return false;
  return reads_ == faults_.fail_read || (faults_.fail_after && reads_ > faults_.fail_read);
}

uint64_t FaultyFile::Size() {
  const uint64_t size = inner_->Size();
  if (faults_.size_delta < 0 && static_cast<uint64_t>(-faults_.size_delta) > size) return 0;
  return size + static_cast<uint64_t>(faults_.size_delta);
}

int FaultyFile::Read(void* buffer, uint32_t count) {
  if (Fails()) return -1;
  return inner_->Read(buffer, count);
}

int64_t FaultyFile::ReadSome(void* buffer, uint32_t count) {
  if (Fails()) return -1;
  if (faults_.max_read != 0) count = std::min(count, faults_.max_read);
  return inner_->ReadSome(buffer, count);
}

ScopedReadFaults::ScopedReadFaults(ReadFaults faults) {
  SetByteSourceWrapper([faults](std::unique_ptr<CBaseFile> source) -> std::unique_ptr<CBaseFile> {
    return std::make_unique<FaultyFile>(std::move(source), faults);
  });
}

ScopedReadFaults::~ScopedReadFaults() { SetByteSourceWrapper({}); }

}  // namespace brisca::testing
