#include "brisca/recordings/os_file.h"

#include "brisca/base/diag_log.h"

namespace brisca {

COsFile::~COsFile() { Close(); }

int COsFile::OpenFile(const char* path, int mode) {
  Close();
  file_ = path ? std::fopen(path, "rb") : nullptr;
  if (!file_) {
    BrLog("COsFile::OpenFile:1 %d %s ", mode, path ? path : "");
    return -1;
  }
  return 0;
}

int COsFile::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  return 0;
}

int COsFile::Seek(int64_t offset, SeekOrigin origin) {
  if (!file_) return -1;
  const int whence = origin == SeekOrigin::kStart     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  return fseeko(file_, offset, whence) == 0 ? 0 : -1;
}

uint64_t COsFile::Tell() {
  if (!file_) return 0;
  const off_t position = ftello(file_);
  return position < 0 ? 0 : static_cast<uint64_t>(position);
}

uint64_t COsFile::Size() {
  if (!file_ || fseeko(file_, 0, SEEK_END) != 0) return 0;
  const off_t size = ftello(file_);
  fseeko(file_, 0, SEEK_SET);
  return size < 0 ? 0 : static_cast<uint64_t>(size);
}

int COsFile::Read(void* buffer, uint32_t count) {
  if (!file_) return 0;
  return std::fread(buffer, 1, count, file_) == count ? 1 : 0;
}

int COsFile::Write(const void*, uint32_t) { return 0; }

int64_t COsFile::ReadSome(void* buffer, uint32_t count) {
  if (!file_) return -1;
  const size_t read = std::fread(buffer, 1, count, file_);
  if (read == 0 && std::ferror(file_)) return -1;
  return static_cast<int64_t>(read);
}

}  // namespace brisca
