// The abstract recording reader. The playback engine, the conversion and the
// export read every recording through these operations.
//
// Threads: every public operation takes the main lock for its whole
// duration; the frame pool has its own lock, so a consumer thread may give
// frames back (ReleaseFrame) while another thread reads.
#pragma once

#include <cstdint>
#include <string_view>

#include "brisca/base/mutex_lock.h"
#include "brisca/recordings/frame_pool.h"
#include "brisca/recordings/rec_frame.h"
#include "brisca/stream/info_record.h"
#include "brisca/types/brisca_types.h"

namespace brisca {

// Where a stream reader's recording lives.
enum class SourceKind {
  kHostFile,    // a stream file of this machine
  kDiskStream,  // segments of the mounted recorder disk
};

// Disk recording names use backslashes; a name containing '/' is a stream
// file of this machine.
inline SourceKind SourceKindOfName(std::string_view name) {
  return name.find('/') != std::string_view::npos ? SourceKind::kHostFile : SourceKind::kDiskStream;
}

inline constexpr int kRecordingPathSize = 260;

class CRecFile {
 public:
  // `pool_frames`: frames the reader can have handed out at once; a consumer
  // that holds frames while it reads on asks for more than the default.
  explicit CRecFile(size_t pool_frames = kPoolFrameCount);
  virtual ~CRecFile() = default;
  CRecFile(const CRecFile&) = delete;
  CRecFile& operator=(const CRecFile&) = delete;

  // Gives a frame handed out by this reader back to its pool. 0.
  virtual int ReleaseFrame(RecFrame* frame);
  // Opens a recording by name or path; 0 or an error code.
  virtual int Open(const char* name) = 0;
  virtual int Close() = 0;
  // Back to the first frame; 1 when nothing is open.
  virtual int Rewind() = 0;
  // Readers that carry telemetry in their frames return 0 and store nothing.
  virtual int ReadInfoFrame(uint32_t ignored, RecFrame** info);
  // The next frame, and its telemetry frame when the same read produced one
  // (else *info is left untouched). 0, or 1 at the end or when every pooled
  // frame is held. The caller releases both.
  virtual int ReadFrame(RecFrame** frame, RecFrame** info) = 0;
  // Positions at `ms` milliseconds from the first frame; flag 0 lands on a
  // key frame, 1 on any frame. Nonzero when out of range.
  virtual int Seek(int32_t ms, int32_t flag) = 0;
  virtual int NextKeyFrame(RecFrame** frame) = 0;
  virtual int PrevKeyFrame(RecFrame** frame) = 0;
  // The telemetry that belongs to the key frame the last step delivered:
  // its own, else the latest before it. False when there is none.
  virtual bool KeyFrameInfo(InfoRecord* out);
  // Device recordings describe themselves; other readers return 0.
  virtual int ReadDeviceInfo(RecFileParam* out, const char* path);
  // Card recordings only; others return -1.
  virtual int SearchFile(const char* name);

  void GetPictureSize(int32_t* width, int32_t* height);
  void GetAudioFormat(int32_t* channels, int32_t* bits, int32_t* sample_rate,
                      int32_t* samples_per_frame);
  // Copies the information record; 1 when nothing is open.
  int CopyFileInfo(RecFileInfo* out);
  // Byte positions of the frames at `end_ms` (any frame) and `start_ms` (a
  // key frame), for cutting a range; false when either seek fails.
  bool QueryRange(int32_t start_ms, int32_t end_ms, uint64_t* start_position,
                  uint64_t* end_position);
  RecFileParam file_param();
  bool is_open();
  // Byte offset in the source of the frame last handed out.
  uint64_t current_frame_position();
  uint64_t current_timestamp();
  size_t pool_frame_count() const { return pool_.FrameCount(); }

 protected:
  CMutexLock main_lock_;  // taken by every public operation
  char path_[kRecordingPathSize] = {};
  FramePool pool_;  // has its own lock

  // Guarded by main_lock_:
  RecFileParam param_{};
  RecFileInfo info_{};
  uint32_t interval_ms_ = 500;
  uint64_t file_size_ = 0;
  bool backward_step_ = false;
  bool forward_step_ = false;
  uint64_t current_frame_position_ = 0;
  uint64_t current_timestamp_ = 0;
  SourceKind source_kind_ = SourceKind::kHostFile;
  bool open_ = false;
};

}  // namespace brisca
