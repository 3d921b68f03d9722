#include "platform/talvo_file_system/tvfs_instance.h"

#include <climits>
#include <utility>

#include "platform/talvo_file_system/segment_query.h"

namespace tvfs {

int Instance::NextHandle(int& counter) {
  if (counter == INT_MAX) return -1;
  return counter++;
}

int Instance::Mount(std::shared_ptr<const ByteSource> source) {
  Unmount();
  std::unique_ptr<DiskVolume> volume;
  if (int error = DiskVolume::Mount(std::move(source), volume)) return error;
  // A mount that raced this one is replaced whole, with its tables.
  std::shared_ptr<const DiskVolume> replaced;
  std::unordered_map<int, Query> queries;
  std::unordered_map<int, std::shared_ptr<SegmentStream>> streams;
  const std::lock_guard lock(mutex_);
  replaced = std::exchange(volume_, std::move(volume));
  queries.swap(queries_);
  streams.swap(streams_);
  return 0;
}

int Instance::Unmount() {
  // Streams and queries are destroyed outside the lock; a reader that still
  // holds a stream finishes its read on the volume the stream keeps alive.
  std::shared_ptr<const DiskVolume> volume;
  std::unordered_map<int, Query> queries;
  std::unordered_map<int, std::shared_ptr<SegmentStream>> streams;
  {
    const std::lock_guard lock(mutex_);
    if (!volume_) return TVFS_E_NOT_MOUNTED;
    volume = std::exchange(volume_, nullptr);
    queries.swap(queries_);
    streams.swap(streams_);
  }
  return 0;
}

std::shared_ptr<const DiskVolume> Instance::volume() const {
  const std::lock_guard lock(mutex_);
  return volume_;
}

int Instance::AddQuery(std::shared_ptr<const DiskVolume> volume, std::vector<uint32_t> matches) {
  const std::lock_guard lock(mutex_);
  // The disk may have changed since the caller took it.
  if (!volume_ || volume_ != volume) return TVFS_E_NOT_MOUNTED;
  if (queries_.size() >= kMaxQueries) return TVFS_E_LIMIT;
  const int handle = NextHandle(query_counter_);
  if (handle < 0) return TVFS_E_LIMIT;
  queries_.emplace(handle, Query{std::move(volume), std::move(matches), 0});
  return handle;
}

int Instance::NextResults(int query, int room, _stream_query_result_* results) {
  const std::lock_guard lock(mutex_);
  if (!volume_) return TVFS_E_NOT_MOUNTED;
  const auto it = queries_.find(query);
  if (it == queries_.end()) return TVFS_E_ARGUMENT;
  Query& state = it->second;
  int written = 0;
  for (; written < room && state.next < state.matches.size(); ++written, ++state.next) {
    results[written] = MakeQueryResult(state.volume->segments()[state.matches[state.next]]);
  }
  return written;
}

int Instance::RemoveQuery(int query) {
  const std::lock_guard lock(mutex_);
  if (!volume_) return TVFS_E_NOT_MOUNTED;
  return queries_.erase(query) ? 0 : TVFS_E_ARGUMENT;
}

int Instance::AddStream(std::shared_ptr<SegmentStream> stream) {
  const std::lock_guard lock(mutex_);
  if (!volume_) return TVFS_E_NOT_MOUNTED;
  if (streams_.size() >= kMaxStreams) return TVFS_E_LIMIT;
  const int handle = NextHandle(stream_counter_);
  if (handle < 0) return TVFS_E_LIMIT;
  streams_.emplace(handle, std::move(stream));
  return handle;
}

std::shared_ptr<SegmentStream> Instance::FindStream(int stream, int& error) const {
  const std::lock_guard lock(mutex_);
  if (!volume_) {
    error = TVFS_E_NOT_MOUNTED;
    return nullptr;
  }
  const auto it = streams_.find(stream);
  if (it == streams_.end()) {
    error = TVFS_E_ARGUMENT;
    return nullptr;
  }
  return it->second;
}

int Instance::RemoveStream(int stream) {
  std::shared_ptr<SegmentStream> closing;
  const std::lock_guard lock(mutex_);
  if (!volume_) return TVFS_E_NOT_MOUNTED;
  const auto it = streams_.find(stream);
  if (it == streams_.end()) return TVFS_E_ARGUMENT;
  closing = std::move(it->second);
  streams_.erase(it);
  return 0;
}

InstanceRegistry& InstanceRegistry::Get() {
  static InstanceRegistry registry;
  return registry;
}

int InstanceRegistry::Create() {
  auto instance = std::make_shared<Instance>();
  const std::lock_guard lock(mutex_);
  if (instances_.size() >= kMaxInstances || counter_ == INT_MAX) return TVFS_E_LIMIT;
  const int handle = counter_++;
  instances_.emplace(handle, std::move(instance));
  return handle;
}

int InstanceRegistry::Delete(int handle) {
  std::shared_ptr<Instance> instance;
  {
    const std::lock_guard lock(mutex_);
    const auto it = instances_.find(handle);
    if (it == instances_.end()) return TVFS_E_ARGUMENT;
    instance = std::move(it->second);
    instances_.erase(it);
  }
  instance->Unmount();
  return 0;
}

std::shared_ptr<Instance> InstanceRegistry::Find(int handle) const {
  const std::lock_guard lock(mutex_);
  const auto it = instances_.find(handle);
  return it == instances_.end() ? nullptr : it->second;
}

int MountSource(int handle, std::shared_ptr<const ByteSource> source) {
  const std::shared_ptr<Instance> instance = InstanceRegistry::Get().Find(handle);
  if (!instance) return TVFS_E_ARGUMENT;
  return instance->Mount(std::move(source));
}

}  // namespace tvfs
