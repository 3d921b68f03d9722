// A file of the host, read-only.
#pragma once

#include <cstdio>

#include "brisca/recordings/base_file.h"

namespace brisca {

class COsFile : public CBaseFile {
 public:
  ~COsFile() override;

  // `source` is a path (const char*); opened for binary reading. -1 on failure.
  int OpenFile(const char* path, int mode) override;
  int Close() override;
  int Seek(int64_t offset, SeekOrigin origin) override;
  uint64_t Tell() override;
  // Leaves the file positioned at its start.
  uint64_t Size() override;
  // Whole-block read: 1 when all `count` bytes were read, 0 otherwise.
  int Read(void* buffer, uint32_t count) override;
  // Whole-block write: the file is opened read-only, so always 0.
  int Write(const void* data, uint32_t count) override;
  int64_t ReadSome(void* buffer, uint32_t count) override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace brisca
