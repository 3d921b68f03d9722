// The reader of one recorder-disk recording: a stream segment of the mounted
// disk opened by its recording name "disk\a\b", or (source mode 0) a stream
// file of the host opened by its path.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "brisca/recordings/base_file.h"
#include "brisca/recordings/rec_file.h"
#include "brisca/stream/stream_frame.h"
#include "brisca/stream/stream_frame_reader.h"

namespace brisca {

class CNvrFile;

inline constexpr uint32_t kStepWindow = 1048576;  // bytes read per key-frame step

class CFileNvr : public CRecFile {
 public:
  // Disk streams need the disk mounted.
  explicit CFileNvr(SourceKind source = SourceKind::kDiskStream,
                    size_t pool_frames = kPoolFrameCount);
  ~CFileNvr() override;

  // 0, or 1 for every failure: no such recording, unreadable, or no key
  // frame in its first 2,000,000 bytes.
  int Open(const char* name) override;
  int Close() override;
  int Rewind() override;
  int ReadFrame(RecFrame** frame, RecFrame** info) override;
  // `flag` is not used: the file system lands on its time index entries.
  int Seek(int32_t ms, int32_t flag) override;
  int NextKeyFrame(RecFrame** frame) override;
  int PrevKeyFrame(RecFrame** frame) override;
  bool KeyFrameInfo(InfoRecord* out) override;

 private:
  std::unique_ptr<CBaseFile> OpenSource(const char* name);
  bool Examine();
  // `end_seconds` counts from midnight of the first frame's date.
  void FillRecords(const StreamFrame& first, uint64_t end_seconds,
                   uint64_t last_timestamp);
  size_t ReadFully(uint8_t* buffer, size_t size);
  int DeliverKeyFrame(const StreamFrame& frame, uint64_t offset,
                      const std::optional<InfoRecord>& telemetry, RecFrame** out);
  bool SeekByWallClock(int32_t ms);
  bool SeekByTimestamp(uint64_t target);
  void CloseSource();

  // Guarded by main_lock_:
  std::unique_ptr<CBaseFile> source_;
  CNvrFile* segment_ = nullptr;  // source_ or the source inside it, for disk streams
  std::unique_ptr<StreamFrameReader> reader_;
  std::vector<uint8_t> window_;  // bytes of the last key-frame step
  uint64_t first_timestamp_ = 0;
  uint64_t last_timestamp_ = 0;
  bool has_start_clock_ = false;
  WallClock start_clock_;
  // The key frame last delivered by a step, so that a step backward and a
  // later step forward or read continue from it.
  uint64_t key_offset_ = 0;
  uint64_t key_end_ = 0;
  uint64_t step_back_end_ = 0;  // backward steps search before this offset
  std::optional<InfoRecord> key_info_;  // telemetry of the key frame last delivered
};

}  // namespace brisca
