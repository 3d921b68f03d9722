// The C interface. Every call checks its handles and pointers, runs inside
// a guard that turns exceptions into error codes, and reaches the instance
// through the registry, so no exception and no stale handle crosses it.
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/talvo_file_system/drive_resolver.h"
#include "platform/talvo_file_system/segment_query.h"
#include "platform/talvo_file_system/talvo_file_system.h"
#include "platform/talvo_file_system/tvfs_instance.h"

namespace {

using tvfs::Instance;
using tvfs::InstanceRegistry;

template <typename Body>
int Guarded(Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return TVFS_E_NO_MEMORY;
  } catch (...) {
    // Only a failing lock can get here; report it as a failed operation.
    return TVFS_E_IO;
  }
}

// Date lists handed out and not yet released, so that a release of anything
// else is refused instead of freeing it.
class DateLists {
 public:
  static DateLists& Get() {
    static DateLists lists;
    return lists;
  }
  void Add(_fs_date_* list) {
    const std::lock_guard lock(mutex_);
    lists_.insert(list);
  }
  bool Remove(_fs_date_* list) {
    const std::lock_guard lock(mutex_);
    return lists_.erase(list) != 0;
  }

 private:
  std::mutex mutex_;
  std::unordered_set<_fs_date_*> lists_;  // guarded by mutex_
};

tvfs::SegmentId ToSegmentId(const _stream_segment_id_& id) {
  return {id.disk, {id.number[0], id.number[1]}};
}

// The instance and its mounted disk, or an error code.
struct Mounted {
  std::shared_ptr<Instance> instance;
  std::shared_ptr<const tvfs::DiskVolume> volume;
  int error = 0;
};

Mounted FindMounted(int handle) {
  Mounted found;
  found.instance = InstanceRegistry::Get().Find(handle);
  if (!found.instance) {
    found.error = TVFS_E_ARGUMENT;
    return found;
  }
  found.volume = found.instance->volume();
  if (!found.volume) found.error = TVFS_E_NOT_MOUNTED;
  return found;
}

}  // namespace

extern "C" {

int Tvfs_windows_CreateTvfs(void) {
  return Guarded([] { return InstanceRegistry::Get().Create(); });
}

int Tvfs_windows_DeleteTvfs(int handle) {
  return Guarded([&] { return InstanceRegistry::Get().Delete(handle); });
}

int Tvfs_windows_mount(int handle, int /*flags*/, int /*mode*/, char** names) {
  return Guarded([&] {
    if (!names || !names[0]) return static_cast<int>(TVFS_E_ARGUMENT);
    const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
    if (!instance) return static_cast<int>(TVFS_E_ARGUMENT);
    const std::string path = tvfs::ResolveDrive(names[0], tvfs::HostDriveTable());
    if (path.empty()) {
      instance->Unmount();
      return static_cast<int>(TVFS_E_OPEN);
    }
    std::unique_ptr<tvfs::FileByteSource> source;
    if (int error = tvfs::FileByteSource::Open(path, source)) {
      instance->Unmount();
      return error;
    }
    return instance->Mount(std::move(source));
  });
}

int Tvfs_windows_umount(int handle, int /*flags*/) {
  return Guarded([&] {
    const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
    return instance ? instance->Unmount() : TVFS_E_ARGUMENT;
  });
}

int Tvfs_windows_get_record_date_list2(int handle, _fs_date_** list, int* count) {
  return Guarded([&] {
    if (!list || !count) return static_cast<int>(TVFS_E_ARGUMENT);
    const Mounted mounted = FindMounted(handle);
    if (mounted.error) return mounted.error;
    const auto& dates = mounted.volume->dates();
    // Never a null list, so that callers may release what they got.
    auto* out = static_cast<_fs_date_*>(std::calloc(dates.empty() ? 1 : dates.size(),
                                                    sizeof(_fs_date_)));
    if (!out) return static_cast<int>(TVFS_E_NO_MEMORY);
    for (size_t i = 0; i < dates.size(); ++i) {
      out[i].year = dates[i].date.year;
      out[i].month = dates[i].date.month;
      out[i].day = dates[i].date.day;
    }
    try {
      DateLists::Get().Add(out);
    } catch (...) {
      std::free(out);
      throw;
    }
    *list = out;
    *count = static_cast<int>(dates.size());
    return 0;
  });
}

int Tvfs_windows_release_record_date_list2(_fs_date_* list) {
  return Guarded([&] {
    if (!list) return 0;
    if (!DateLists::Get().Remove(list)) return static_cast<int>(TVFS_E_ARGUMENT);
    std::free(list);
    return 0;
  });
}

int Tvfs_windows_get_query_stream_segment_handle(int handle, const _stream_query_* query) {
  return Guarded([&] {
    if (!query) return static_cast<int>(TVFS_E_ARGUMENT);
    const Mounted mounted = FindMounted(handle);
    if (mounted.error) return mounted.error;
    std::vector<uint32_t> matches;
    if (int error = tvfs::RunQuery(*mounted.volume, *query, matches)) return error;
    return mounted.instance->AddQuery(mounted.volume, std::move(matches));
  });
}

int Tvfs_windows_query_stream_segment(int handle, int query, _stream_query_cmd_ command,
                                      int* count, _stream_query_result_* results) {
  return Guarded([&] {
    if (command != STREAM_QUERY_LIST || !count || *count < 0 || (*count > 0 && !results)) {
      return static_cast<int>(TVFS_E_ARGUMENT);
    }
    const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
    if (!instance) return static_cast<int>(TVFS_E_ARGUMENT);
    const int written = instance->NextResults(query, *count, results);
    if (written < 0) return written;
    *count = written;
    return 0;
  });
}

int Tvfs_windows_release_query_stream_segment_handle(int handle, int query) {
  return Guarded([&] {
    const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
    return instance ? instance->RemoveQuery(query) : TVFS_E_ARGUMENT;
  });
}

int Tvfs_windows_open_stream_segment(int handle, const _stream_segment_id_* id, int /*access*/,
                                     int /*flags*/) {
  return Guarded([&] {
    if (!id) return static_cast<int>(TVFS_E_ARGUMENT);
    const Mounted mounted = FindMounted(handle);
    if (mounted.error) return mounted.error;
    const tvfs::Segment* segment = mounted.volume->Find(ToSegmentId(*id));
    if (!segment) return static_cast<int>(TVFS_E_NOT_FOUND);
    std::shared_ptr<tvfs::SegmentStream> stream;
    if (int error = tvfs::SegmentStream::Open(mounted.volume, *segment, stream)) return error;
    return mounted.instance->AddStream(std::move(stream));
  });
}

int Tvfs_windows_get_stream_segment_info(int handle, const _stream_segment_id_* id,
                                         _stream_segment_info_* info) {
  return Guarded([&] {
    if (!id || !info) return static_cast<int>(TVFS_E_ARGUMENT);
    const Mounted mounted = FindMounted(handle);
    if (mounted.error) return mounted.error;
    const tvfs::Segment* segment = mounted.volume->Find(ToSegmentId(*id));
    if (!segment) return static_cast<int>(TVFS_E_NOT_FOUND);
    *info = tvfs::MakeSegmentInfo(*segment);
    return 0;
  });
}

int Tvfs_windows_read_video_data(int handle, int stream, void* buffer, int length,
                                 void* /*reserved*/) {
  return Guarded([&] {
    if (!buffer || length < 0) return static_cast<int>(TVFS_E_ARGUMENT);
    const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
    if (!instance) return static_cast<int>(TVFS_E_ARGUMENT);
    int error = 0;
    const std::shared_ptr<tvfs::SegmentStream> found = instance->FindStream(stream, error);
    return found ? found->Read(buffer, length) : error;
  });
}

int Tvfs_windows_seek_stream_segment_pos(int handle, int stream, int64_t offset, int origin) {
  return Guarded([&] {
    const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
    if (!instance) return static_cast<int>(TVFS_E_ARGUMENT);
    int error = 0;
    const std::shared_ptr<tvfs::SegmentStream> found = instance->FindStream(stream, error);
    return found ? found->SeekPosition(offset, origin) : error;
  });
}

int Tvfs_windows_stream_segment_tell(int handle, int stream, int64_t* position) {
  return Guarded([&] {
    if (!position) return static_cast<int>(TVFS_E_ARGUMENT);
    const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
    if (!instance) return static_cast<int>(TVFS_E_ARGUMENT);
    int error = 0;
    const std::shared_ptr<tvfs::SegmentStream> found = instance->FindStream(stream, error);
    if (!found) return error;
    *position = found->Tell();
    return 0;
  });
}

int Tvfs_windows_seek_stream_segment(int handle, int stream, const _fs_date_time_* when,
                                     int /*flags*/) {
  return Guarded([&] {
    if (!when) return static_cast<int>(TVFS_E_ARGUMENT);
    const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
    if (!instance) return static_cast<int>(TVFS_E_ARGUMENT);
    int error = 0;
    const std::shared_ptr<tvfs::SegmentStream> found = instance->FindStream(stream, error);
    return found ? found->SeekTime(*when) : error;
  });
}

int Tvfs_windows_close_stream_segment(int handle, int stream) {
  return Guarded([&] {
    const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
    return instance ? instance->RemoveStream(stream) : TVFS_E_ARGUMENT;
  });
}

}  // extern "C"
