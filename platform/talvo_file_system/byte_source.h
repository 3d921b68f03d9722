// Where a mounted disk's bytes come from: a device or image file, or any
// other source (the fuzzer mounts from memory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tvfs {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Bytes the medium claims to hold. It may lie: reads past the real end
  // come back short.
  virtual uint64_t Size() const = 0;

  // Reads up to `length` bytes at `offset` into `buffer`. Returns the bytes
  // read (fewer than asked is allowed, 0 at the end), or -1 on a read error.
  // Must be safe to call from several threads at once.
  virtual int64_t ReadAt(uint64_t offset, void* buffer, size_t length) const = 0;
};

// Reads exactly `length` bytes, retrying short reads. Returns 0, or
// TVFS_E_IO when the source fails or ends first.
int ReadExact(const ByteSource& source, uint64_t offset, void* buffer, size_t length);

// A block device or disk image file, opened read-only: evidence media are
// never written to.
class FileByteSource final : public ByteSource {
 public:
  // Opens `path`. Returns 0 and sets `out`, or TVFS_E_OPEN when the path
  // cannot be opened or is neither a regular file nor a block device.
  static int Open(const std::string& path, std::unique_ptr<FileByteSource>& out);

  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  uint64_t Size() const override { return size_; }
  int64_t ReadAt(uint64_t offset, void* buffer, size_t length) const override;

 private:
  FileByteSource(int fd, uint64_t size) : fd_(fd), size_(size) {}

  const int fd_;
  const uint64_t size_;
};

}  // namespace tvfs
