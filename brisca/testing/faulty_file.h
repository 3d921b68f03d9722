// A byte source that misbehaves on purpose around a real one: it fails
// the Nth read with an I/O error, returns reads shorter than asked, or
// claims a size the medium does not have, as worn cards and failing disks
// do. Reads are counted across Read and ReadSome.
#pragma once

#include <cstdint>
#include <memory>

#include "brisca/recordings/base_file.h"
#include "brisca/recordings/byte_source_wrap.h"

namespace brisca::testing {

struct ReadFaults {
  int fail_read = 0;       // this read (1 = the first) fails; 0: none
  bool fail_after = false;  // and so does every later one
  uint32_t max_read = 0;   // ReadSome hands out at most this many bytes; 0: all
  int64_t size_delta = 0;  // added to the size the source reports
};

class FaultyFile final : public CBaseFile {
 public:
  FaultyFile(std::unique_ptr<CBaseFile> inner, ReadFaults faults)
      : inner_(std::move(inner)), faults_(faults) {}

  int OpenFile(const char* name, int mode) override { return inner_->OpenFile(name, mode); }
  int Close() override { return inner_->Close(); }
  int Seek(int64_t offset, SeekOrigin origin) override { return inner_->Seek(offset, origin); }
  uint64_t Tell() override { return inner_->Tell(); }
  uint64_t Size() override;
  // A failed read: -1, which every source's callers take for a failure.
  int Read(void* buffer, uint32_t count) override;
  int Write(const void* data, uint32_t count) override { return inner_->Write(data, count); }
  // A failed read: -1; a short read is cut at max_read.
  int64_t ReadSome(void* buffer, uint32_t count) override;

  int reads() const { return reads_; }

 private:
  bool Fails();

  std::unique_ptr<CBaseFile> inner_;
  ReadFaults faults_;
  int reads_ = 0;
};

// Puts every byte source the readers make from now on inside a FaultyFile
// with `faults`, until the object goes.
class ScopedReadFaults {
 public:
  explicit ScopedReadFaults(ReadFaults faults);
  ~ScopedReadFaults();
  ScopedReadFaults(const ScopedReadFaults&) = delete;
  ScopedReadFaults& operator=(const ScopedReadFaults&) = delete;
};

}  // namespace brisca::testing
