#include "tools/brisca/stream_file.h"

namespace brisca::tools {

StreamFile::StreamFile(const std::string& path)
    : file_(std::fopen(path.c_str(), "rb")),
      reader_([this](uint8_t* buffer, size_t capacity) -> int64_t {
        const size_t count = std::fread(buffer, 1, capacity, file_.get());
        if (count == 0 && std::ferror(file_.get())) return -1;
        return static_cast<int64_t>(count);
      }) {}

}  // namespace brisca::tools
