// A device recording file read with the C runtime: positioned reads of a
// read-only host file, its size, and the end of its chunk data. The file is
// a COsFile made through WrapByteSource, so tests can make its reads fail,
// come short or its size lie.
//
// Not locked: its owner (a reader, under its main lock) serialises calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "brisca/device/device_header.h"
#include "brisca/recordings/base_file.h"

namespace brisca {

class DeviceSource {
 public:
  DeviceSource() = default;
  virtual ~DeviceSource();
  DeviceSource(const DeviceSource&) = delete;
  DeviceSource& operator=(const DeviceSource&) = delete;

  // Opens the file and reads its header. False when the file cannot be
  // opened or is shorter than the header bytes read; nothing stays open then.
  bool Open(const std::string& path);
  void Close();
  bool is_open() const { return file_ != nullptr; }

  // Reads up to `count` bytes at `offset`; the number read (short at the
  // end of the file or on an error). Short reads of the file are repeated
  // until it ends or fails.
  size_t ReadAt(uint64_t offset, void* buffer, size_t count);

  const DeviceHeader& header() const { return header_; }
  uint64_t file_size() const { return file_size_; }
  // The end of the chunk data: the header's absolute offset when it lies
  // inside the file, else the end of the file.
  uint64_t data_end() const { return data_end_; }

 private:
  // The size the file reports when its last byte can be read; otherwise
  // (the size lies) the end of what can be read, found in about 40 reads,
  // so that no search walks terabytes that are not there.
  uint64_t ReadableSize(uint64_t reported);
  int64_t ByteAt(uint64_t offset);

  std::unique_ptr<CBaseFile> file_;
  DeviceHeader header_;
  uint64_t file_size_ = 0;
  uint64_t data_end_ = 0;
};

}  // namespace brisca
