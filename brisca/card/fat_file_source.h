// A file inside the mounted raw FAT volume of a card (raw_fat_volume.h), as a
// byte source. Shares the volume's process-wide state: see raw_fat_volume.h for
// which calls must not run at the same time.
#pragma once

#include "brisca/card/raw_fat_volume.h"
#include "brisca/recordings/base_file.h"

namespace brisca {

class CSdFile : public CBaseFile {
 public:
  ~CSdFile() override;

  // `source` is a path inside the volume ("C:\index00.bin", const char*,
  // code page 936); `mode` is passed to FatOpen (1 = read). 0 on success;
  // on failure logs "CSdFile::OpenFile:1 %d %s " (result code, path) and
  // returns -1.
  int OpenFile(const char* path, int mode) override;
  // Always 0.
  int Close() override;
  // Positions at the absolute `offset` whatever `origin` says (offsets past
  // the end are clamped to the size). 0, or -1 on an error or a negative
  // offset.
  int Seek(int64_t offset, SeekOrigin origin) override;
  uint64_t Tell() override;
  uint64_t Size() override;
  // The number of bytes read (0 at the end), or -1 on an error.
  int Read(void* buffer, uint32_t count) override;
  // The volume is read-only: always -1.
  int Write(const void* data, uint32_t count) override;
  // Same as Read.
  int64_t ReadSome(void* buffer, uint32_t count) override;

  // The result code of the last failed open, read or seek; kOk when none.
  FatResult last_result() const { return last_result_; }

 private:
  FatFile file_;
  FatResult last_result_ = FatResult::kOk;
};

}  // namespace brisca
