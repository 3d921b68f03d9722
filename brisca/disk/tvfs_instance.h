// The process's one instance of the recorder-disk file system. The disk
// search mounts and unmounts it around each probe and listing; playback
// mounts it with NVR_Mount and keeps it mounted while readers are open.
#pragma once

#include <mutex>
#include <string>

namespace brisca {

class TvfsInstance {
 public:
  // Mounts `drive` (a drive name or an image path), creating the instance
  // first when there is none. 0 on success; on failure the instance is
  // unmounted and deleted and the file system's error is returned.
  int Mount(const std::string& drive);
  // Unmounts and deletes the instance; 0, or the file system's error.
  int Unmount();
  // The instance handle, -1 when none.
  int handle() const;

 private:
  mutable std::mutex mutex_;
  int handle_ = -1;  // guarded by mutex_
};

TvfsInstance& ProcessTvfs();

}  // namespace brisca
