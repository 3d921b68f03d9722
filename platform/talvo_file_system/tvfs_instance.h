// File-system instances and their handle tables. The C calls address
// instances, queries and streams by integer handles; the tables here map
// them to objects. Handles count up and are never issued twice, so a handle
// that was closed (or never issued) is refused rather than reaching
// somebody else's object.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/talvo_file_system/byte_source.h"
#include "platform/talvo_file_system/disk_volume.h"
#include "platform/talvo_file_system/segment_stream.h"

namespace tvfs {

inline constexpr size_t kMaxInstances = 64;
inline constexpr size_t kMaxQueries = 64;  // open at once, per instance
inline constexpr size_t kMaxStreams = 64;  // open at once, per instance

class Instance {
 public:
  // Mounts `source`, unmounting the current disk first (its queries and
  // streams end). 0 or the mount error; a failed mount leaves nothing mounted.
  int Mount(std::shared_ptr<const ByteSource> source);
  // 0, or TVFS_E_NOT_MOUNTED.
  int Unmount();

  // The mounted disk, or null. Holding it keeps the disk readable even when
  // another thread unmounts meanwhile.
  std::shared_ptr<const DiskVolume> volume() const;

  // A new query handle over `matches` of `volume`, or TVFS_E_LIMIT.
  int AddQuery(std::shared_ptr<const DiskVolume> volume, std::vector<uint32_t> matches);
  // Writes the next up to `room` results of the query; returns how many, or
  // TVFS_E_NOT_MOUNTED / TVFS_E_ARGUMENT for an unknown query.
  int NextResults(int query, int room, _stream_query_result_* results);
  int RemoveQuery(int query);

  // A new stream handle, or TVFS_E_LIMIT.
  int AddStream(std::shared_ptr<SegmentStream> stream);
  // The stream, or null with `error` set.
  std::shared_ptr<SegmentStream> FindStream(int stream, int& error) const;
  int RemoveStream(int stream);

 private:
  struct Query {
    std::shared_ptr<const DiskVolume> volume;
    std::vector<uint32_t> matches;
    size_t next = 0;  // first match not yet handed out
  };

  // Picks the next unused handle of a table; -1 once they are used up.
  static int NextHandle(int& counter);

  mutable std::mutex mutex_;
  // Guarded by mutex_:
  std::shared_ptr<const DiskVolume> volume_;
  std::unordered_map<int, Query> queries_;
  std::unordered_map<int, std::shared_ptr<SegmentStream>> streams_;
  int query_counter_ = 0;
  int stream_counter_ = 0;
};

// The process-wide table of instances the C interface addresses by handle.
class InstanceRegistry {
 public:
  static InstanceRegistry& Get();

  // A new instance handle, or TVFS_E_LIMIT.
  int Create();
  // 0, or TVFS_E_ARGUMENT for an unknown handle.
  int Delete(int handle);
  // The instance, or null for an unknown handle.
  std::shared_ptr<Instance> Find(int handle) const;

 private:
  mutable std::mutex mutex_;
  // Guarded by mutex_:
  std::unordered_map<int, std::shared_ptr<Instance>> instances_;
  int counter_ = 0;
};

// Mounts `source` on instance `handle` the way Tvfs_windows_mount mounts a
// path; for sources that are not files (the fuzzer's memory source).
int MountSource(int handle, std::shared_ptr<const ByteSource> source);

}  // namespace tvfs
