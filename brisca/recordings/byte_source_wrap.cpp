#include "brisca/recordings/byte_source_wrap.h"

#include <mutex>
#include <utility>

namespace brisca {
namespace {

std::mutex wrapper_lock;
ByteSourceWrapper& Wrapper() {
  static ByteSourceWrapper wrapper;
  return wrapper;
}

}  // namespace

std::unique_ptr<CBaseFile> WrapByteSource(std::unique_ptr<CBaseFile> source) {
  ByteSourceWrapper wrapper;
  {
    std::lock_guard<std::mutex> hold(wrapper_lock);
    wrapper = Wrapper();
  }
  return wrapper ? wrapper(std::move(source)) : std::move(source);
}

void SetByteSourceWrapper(ByteSourceWrapper wrapper) {
  std::lock_guard<std::mutex> hold(wrapper_lock);
  Wrapper() = std::move(wrapper);
}

}  // namespace brisca
