// The reader of one card recording: a region of an evf container
// ("flyFFFFF.evf" on the card, "P_flyFFFFF.evf" in an export folder) named
// "P\F\S" (partition, file number, slot) and found through the card index.
//
// The region holds a 200-byte evf header and index blocks, each followed by
// the frame data it describes (evf_layout.h). The blocks are read once at
// Open and kept; a frame read is one seek and one read. Frames come in the
// container's order: in a block video 0, audio 1, video 1, audio 2, ...; at
// the start of every later block audio 0, video 0, audio 1, ... Audio
// entries whose index is not below the block's video count are never
// delivered. Timestamps are the container's microseconds, unchanged. Blocks
// without video entries deliver nothing and are passed over.
//
// Card mode reads through the card volume, which must be mounted on the
// partition's drive name ("C:" to "F:") while the reader is open
// (CIndexFileJvMgr::MountPartition).
//
// Threads: every operation holds the main lock; those that reach the byte
// source (open, check, close, frame reads and steps, region reads) take
// CardVolumeLock(), the one lock of the card volume, before it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "brisca/card/card_index_manager.h"
#include "brisca/card/evf_layout.h"
#include "brisca/recordings/base_file.h"
#include "brisca/recordings/rec_file.h"

namespace brisca {

// Frames larger than this are not read (the reader's read-buffer size).
inline constexpr uint32_t kCardMaxFrameSize = 1048576;

class CFileJv : public CRecFile {
 public:
  // Results of Open and SearchFile.
  enum : int {
    kNotInIndex = -1,
    kContainerMissing = -2,
    kHeaderUnreadable = -3,
    kHeaderWrong = -4,
    kBlockMissing = -5,  // missing, cut short, wrong GUID, or impossible counts
  };

  // `index` resolves recording names; it must outlive the reader.
  explicit CFileJv(CIndexFileJvMgr& index = CardIndexManager());
  ~CFileJv() override;

  // Opens "P\F\S". 0 or one of the codes above; after a failure the reader
  // is closed and holds no blocks.
  int Open(const char* name) override;
  int Close() override;
  // Back to the first frame, as after Open. 1 when nothing is open.
  int Rewind() override;
  // The next frame in container order; never a telemetry frame (*info is
  // left untouched). 0, or 1 at the end, when every pooled frame is held,
  // or when the frame cannot be read (the position then stays on it).
  int ReadFrame(RecFrame** frame, RecFrame** info) override;
  // Moves to the first video entry (flag 0: key frame; 1: any frame) less
  // than one second from the first timestamp + `ms` milliseconds; that
  // frame is delivered next. 0, or 1 when there is none (position kept).
  int Seek(int32_t ms, int32_t flag) override;
  // Key-frame steps. The first step after a change of direction delivers
  // the key frame within one second of the current timestamp; further
  // steps deliver the next (previous) key frame. The position stays on the
  // delivered key frame. 0, or 1 when there is none.
  int NextKeyFrame(RecFrame** frame) override;
  int PrevKeyFrame(RecFrame** frame) override;
  // Checks that recording `name` opens and that all its index blocks are
  // present (reading only their first 48 bytes). 0 or an Open code. Leaves
  // an open recording of this reader alone.
  int SearchFile(const char* name) override;

  // For the export worker, while a recording is open:
  // the 200-byte evf header as read; false when nothing is open.
  bool CopyHeader(std::array<uint8_t, evf::kHeaderSize>* header);
  size_t block_count();
  // A copy of index block `index` (kBlockSize bytes); false when out of range.
  bool CopyBlock(size_t index, std::vector<uint8_t>* block);
  // Reads `length` bytes at `offset` from the region start under the source
  // lock; false when the bytes cannot all be read.
  bool ReadRegion(uint64_t offset, void* buffer, uint32_t length);
  // The recording's entry in the card index, as found at Open.
  const CardRecording& recording() const { return recording_; }

 private:
  struct Position {
    int block = -1;  // -1, -1: the end of the recording
    int entry = -1;
    bool at_end() const { return block < 0; }
    bool operator==(const Position&) const = default;
  };
  struct Found {
    bool found = false;
    Position position;
  };

  // These two reach the byte source: callers hold the volume lock.
  int OpenRegion(const char* name, bool keep_blocks);
  bool ReadExactAt(uint64_t offset, void* buffer, size_t length);
  RecFrame* ReadEntry(const evf::Entry& entry, FrameKind kind);
  RecFrame* ReadVideoAt(Position position);
  const uint8_t* BlockAt(int index) const;
  uint32_t VideoCountOf(int block) const;
  Position FirstPosition() const;
  Position LastPosition() const;
  Position Advance(Position position) const;
  Found FindNear(uint64_t target, bool any_frame) const;
  Found ScanForward(Position after) const;
  Found ScanBackward(Position before) const;
  // Reads the found key frame and moves there; 1 when none was found or
  // it cannot be read.
  int DeliverKeyFrame(const Found& found, RecFrame** frame);
  void ResetPosition();

  CIndexFileJvMgr& index_;
  // Guarded by main_lock_:
  CardRecording recording_;
  std::unique_ptr<CBaseFile> source_;  // seek-and-read also under CardVolumeLock()
  uint64_t region_start_ = 0;
  std::array<uint8_t, evf::kHeaderSize> header_{};
  std::vector<std::vector<uint8_t>> blocks_;
  Position position_;
  // True when the video entry at the position is due next; false when the
  // audio entry of the same index is due first.
  bool video_due_ = true;
  uint64_t first_timestamp_ = 0;  // microseconds
  uint64_t last_timestamp_ = 0;
};

}  // namespace brisca
