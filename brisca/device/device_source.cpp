#include "brisca/device/device_source.h"

#include <algorithm>

#include "brisca/recordings/byte_source_wrap.h"
#include "brisca/recordings/os_file.h"

namespace brisca {

DeviceSource::~DeviceSource() { Close(); }

bool DeviceSource::Open(const std::string& path) {
  Close();
  file_ = WrapByteSource(std::make_unique<COsFile>());
  if (file_->OpenFile(path.c_str(), 0) != 0) {
    file_.reset();
    return false;
  }
  file_size_ = ReadableSize(file_->Size());
  if (ReadAt(0, header_.bytes.data(), header_.bytes.size()) != header_.bytes.size()) {
    Close();
    return false;
  }
  const uint64_t end = header_.DataEnd();
  data_end_ = end != 0 && end <= file_size_ ? end : file_size_;
  return true;
}

// 1 when the byte at `offset` can be read, 0 past the end of the file, -1
// on a read error.
int64_t DeviceSource::ByteAt(uint64_t offset) {
  uint8_t byte = 0;
  if (file_->Seek(static_cast<int64_t>(offset), SeekOrigin::kStart) != 0) return 0;
  return file_->ReadSome(&byte, 1);
}

uint64_t DeviceSource::ReadableSize(uint64_t reported) {
  // Only an end of file before the reported end means the size lies; a read
  // error there says nothing about the size.
  if (reported == 0 || ByteAt(reported - 1) != 0) return reported;
  if (ByteAt(0) != 1) return 0;
  // Byte `readable` can be read and byte `unreadable` cannot: halve between.
  uint64_t readable = 0;
  uint64_t unreadable = reported - 1;
  while (unreadable - readable > 1) {
    const uint64_t middle = readable + (unreadable - readable) / 2;
    (ByteAt(middle) == 1 ? readable : unreadable) = middle;
  }
  return unreadable;
}

void DeviceSource::Close() {
  if (file_) file_->Close();
  file_.reset();
  file_size_ = 0;
  data_end_ = 0;
}

size_t DeviceSource::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (!file_ || offset > static_cast<uint64_t>(INT64_MAX)) return 0;
  if (file_->Seek(static_cast<int64_t>(offset), SeekOrigin::kStart) != 0) return 0;
  size_t filled = 0;
  while (filled < count) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(count - filled, 1u << 30));
    const int64_t read = file_->ReadSome(static_cast<uint8_t*>(buffer) + filled, chunk);
    if (read <= 0) break;
    filled += static_cast<size_t>(read);
  }
  return filled;
}

}  // namespace brisca
