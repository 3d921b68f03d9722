#include "brisca/device/device_source.h"

#include <sys/types.h>

namespace brisca {

DeviceSource::~DeviceSource() { Close(); }

bool DeviceSource::Open(const std::string& path) {
  Close();
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) return false;
  // The reader buffers for itself; stdio's buffer would only add a copy.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  if (fseeko(file_, 0, SEEK_END) != 0) {
    Close();
    return false;
  }
  const off_t size = ftello(file_);
  file_size_ = size > 0 ? static_cast<uint64_t>(size) : 0;
  if (ReadAt(0, header_.bytes.data(), header_.bytes.size()) != header_.bytes.size()) {
    Close();
    return false;
  }
  const uint64_t end = header_.DataEnd();
  data_end_ = end != 0 && end <= file_size_ ? end : file_size_;
  return true;
}

void DeviceSource::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  file_size_ = 0;
  data_end_ = 0;
}

size_t DeviceSource::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (!file_ || offset > static_cast<uint64_t>(INT64_MAX)) return 0;
  if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return 0;
  return std::fread(buffer, 1, count, file_);
}

}  // namespace brisca
