#include "brisca/disk/tvfs_instance.h"

#include <array>

#include "platform/talvo_file_system/talvo_file_system.h"

namespace brisca {

int TvfsInstance::Mount(const std::string& drive) {
  std::lock_guard lock(mutex_);
  if (handle_ < 0) {
    handle_ = Tvfs_windows_CreateTvfs();
    if (handle_ < 0) {
      const int error = handle_;
      handle_ = -1;
      return error;
    }
  }
  std::array<char*, 10> names{};
  std::string name = drive;
  names[0] = name.data();
  const int result = Tvfs_windows_mount(handle_, 0, 1, names.data());
  if (result != 0) {
    Tvfs_windows_umount(handle_, 0);
    Tvfs_windows_DeleteTvfs(handle_);
    handle_ = -1;
  }
  return result;
}

int TvfsInstance::Unmount() {
  std::lock_guard lock(mutex_);
  if (handle_ < 0) return 0;
  const int result = Tvfs_windows_umount(handle_, 0);
  Tvfs_windows_DeleteTvfs(handle_);
  handle_ = -1;
  return result;
}

int TvfsInstance::handle() const {
  std::lock_guard lock(mutex_);
  return handle_;
}

TvfsInstance& ProcessTvfs() {
  static TvfsInstance instance;
  return instance;
}

}  // namespace brisca
