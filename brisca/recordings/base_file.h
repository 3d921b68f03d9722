// The abstract byte source that recording readers read through.
#pragma once

#include <cstdint>

namespace brisca {

// Where a byte source's seek offset counts from.
enum class SeekOrigin {
  kStart,
  kCurrent,
  kEnd,
};

class CBaseFile {
 public:
  virtual ~CBaseFile() = default;

  // Opens a source by its name: a host path, a path on the card volume or a
  // disk recording name, as each source says. 0 on success, nonzero on
  // failure.
  virtual int OpenFile(const char* name, int mode) = 0;
  virtual int Close() = 0;
  // 0 on success.
  virtual int Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual uint64_t Tell() = 0;
  virtual uint64_t Size() = 0;
  // Source-specific result (see each source).
  virtual int Read(void* buffer, uint32_t count) = 0;
  virtual int Write(const void* data, uint32_t count) = 0;
  // Reads up to `count` bytes: the number read, 0 at the end, negative on
  // an error. Stream readers refill their buffers with it.
  virtual int64_t ReadSome(void* buffer, uint32_t count) = 0;
};

}  // namespace brisca
