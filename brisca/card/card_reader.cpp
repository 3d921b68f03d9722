#include "brisca/card/card_reader.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "brisca/base/diag_log.h"
#include "brisca/card/calendar_time.h"
#include "brisca/card/card_files.h"

namespace brisca {
namespace {

constexpr int64_t kNearMicroseconds = 1000000;

bool SeekTo(CBaseFile& source, uint64_t position) {
  return position <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) &&
         source.Seek(static_cast<int64_t>(position), SeekOrigin::kStart) == 0;
}

// Less than one second between two microsecond timestamps, whichever is
// larger.
bool Near(uint64_t timestamp, uint64_t target) {
  const int64_t difference = static_cast<int64_t>(timestamp - target);
  return difference > -kNearMicroseconds && difference < kNearMicroseconds;
}

// The card volume's lock, then the reader's own: every operation that
// reaches the byte source takes them in this order, the order in which the
// listing (whose check enters a reader) and an export copying a recording
// (which holds the volume from mount to unmount) take them.
class VolumeThenReader {
 public:
  explicit VolumeThenReader(CMutexLock& reader) : volume_(&CardVolumeLock()), reader_(&reader) {}

 private:
  CAutoLock volume_;
  CAutoLock reader_;
};

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

CFileJv::CFileJv(CIndexFileJvMgr& index) : index_(index) {}

CFileJv::~CFileJv() { Close(); }

int CFileJv::OpenRegion(const char* name, bool keep_blocks) {
  const char* operation = keep_blocks ? "OpenFile" : "SearchFile";
  const char* shown = name ? name : "";
  std::optional<CardRecording> recording = index_.FindRecording(name);
  if (!recording) {
    BrLog("CFileJv::%s:1 %s", operation, shown);
    return kNotInIndex;
  }
  std::unique_ptr<CBaseFile> source = MakeCardSource(recording->mode);
  const int opened = source->OpenFile(recording->container_path.c_str(), 1);
  if (opened != 0) {
    BrLog("CFileJv::%s:2 %s %d", operation, shown, opened);
    return kContainerMissing;
  }
  const uint64_t size = source->Size();
  const uint64_t region = card_index::RegionOffset(recording->entry.data());
  std::array<uint8_t, evf::kHeaderSize> header{};
  const size_t header_read =
      SeekTo(*source, region) ? ReadFromSource(*source, header.data(), header.size()) : 0;
  if (header_read != header.size()) {
    BrLog("CFileJv::%s:3 %s %d", operation, shown, static_cast<int>(header_read));
    source->Close();
    return kHeaderUnreadable;
  }
  if (!evf::HeaderGuidsValid(header.data())) {
    BrLog("CFileJv::%s:4 %s", operation, shown);
    source->Close();
    return kHeaderWrong;
  }
  std::vector<std::vector<uint8_t>> blocks;
  const size_t wanted = keep_blocks ? evf::kBlockSize : evf::kBlockHeadSize;
  uint64_t position = region + evf::kHeaderSize;
  const uint32_t count = evf::BlockCount(header.data());
  for (uint32_t i = 0; i < count; ++i) {
    std::vector<uint8_t> block(wanted, 0);
    const size_t got = SeekTo(*source, position) ? ReadFromSource(*source, block.data(), wanted) : 0;
    // Every block must be whole in the container, so a block that passes
    // this check also opens.
    if (got != wanted || !evf::BlockHeadValid(block.data()) || position + evf::kBlockSize > size) {
      BrLog("CFileJv::%s:5 %s %d", operation, shown, static_cast<int>(got));
      source->Close();
      return kBlockMissing;
    }
    position += evf::BlockLength(block.data());
    if (keep_blocks) blocks.push_back(std::move(block));
  }
  if (!keep_blocks) {
    source->Close();
    return 0;
  }
  source_ = std::move(source);
  recording_ = std::move(*recording);
  region_start_ = region;
  header_ = header;
  blocks_ = std::move(blocks);
  return 0;
}

int CFileJv::Open(const char* name) {
  VolumeThenReader hold(main_lock_);
  Close();
  const int result = OpenRegion(name, true);
  if (result != 0) return result;
  std::snprintf(path_, sizeof path_, "%s", name);
  const Position first = FirstPosition();
  const Position last = LastPosition();
  first_timestamp_ = first.at_end() ? 0 : evf::VideoEntry(BlockAt(first.block), first.entry).timestamp;
  last_timestamp_ = last.at_end() ? 0 : evf::VideoEntry(BlockAt(last.block), last.entry).timestamp;

  const uint8_t* entry = recording_.entry.data();
  param_ = RecFileParam{};
  std::snprintf(param_.name, sizeof param_.name, "%s", name);
  param_.start_time = UtcSystemTime(card_index::StartSeconds(entry));
  param_.end_time = UtcSystemTime(card_index::EndSeconds(entry));
  param_.start = first_timestamp_;
  param_.end = last_timestamp_;
  param_.duration_ms = ClampToInt32(static_cast<int64_t>(last_timestamp_ - first_timestamp_) / 1000);
  param_.record_type = card_index::RecordType(entry);

  info_ = RecFileInfo{};
  info_.start_time = param_.start_time;
  info_.end_time = param_.end_time;
  info_.frame_rate = evf::FrameRate(header_.data());
  info_.reserved0 = card_index::InfoByte(entry);
  info_.audio_codec = card_index::AudioCodec(entry);

  ResetPosition();
  open_ = true;
  return 0;
}

int CFileJv::SearchFile(const char* name) {
  VolumeThenReader hold(main_lock_);
  return OpenRegion(name, false);
}

int CFileJv::Close() {
  VolumeThenReader hold(main_lock_);
  if (source_) {
    source_->Close();
    source_.reset();
  }
  open_ = false;
  blocks_.clear();
  blocks_.shrink_to_fit();
  position_ = Position{};
  return 0;
}

void CFileJv::ResetPosition() {
  position_ = FirstPosition();
  video_due_ = true;
  backward_step_ = false;
  current_timestamp_ = first_timestamp_;
}

int CFileJv::Rewind() {
  CAutoLock hold(&main_lock_);
  if (!open_) return 1;
  ResetPosition();
  return 0;
}

const uint8_t* CFileJv::BlockAt(int index) const { return blocks_[static_cast<size_t>(index)].data(); }

uint32_t CFileJv::VideoCountOf(int block) const { return evf::VideoCount(BlockAt(block)); }

CFileJv::Position CFileJv::FirstPosition() const {
  for (size_t k = 0; k < blocks_.size(); ++k) {
    if (VideoCountOf(static_cast<int>(k)) > 0) return {static_cast<int>(k), 0};
  }
  return {};
}

CFileJv::Position CFileJv::LastPosition() const {
  for (size_t k = blocks_.size(); k-- > 0;) {
    const uint32_t count = VideoCountOf(static_cast<int>(k));
    if (count > 0) return {static_cast<int>(k), static_cast<int>(count - 1)};
  }
  return {};
}

CFileJv::Position CFileJv::Advance(Position position) const {
  if (position.at_end()) return position;
  if (static_cast<uint32_t>(position.entry) + 1 < VideoCountOf(position.block))
    return {position.block, position.entry + 1};
  for (size_t k = static_cast<size_t>(position.block) + 1; k < blocks_.size(); ++k) {
    if (VideoCountOf(static_cast<int>(k)) > 0) return {static_cast<int>(k), 0};
  }
  return {};
}

bool CFileJv::ReadExactAt(uint64_t offset, void* buffer, size_t length) {
  if (!source_) return false;
  return SeekTo(*source_, region_start_ + offset) &&
         ReadFromSource(*source_, buffer, length) == length;
}

RecFrame* CFileJv::ReadEntry(const evf::Entry& entry, FrameKind kind) {
  if (entry.length > kCardMaxFrameSize) return nullptr;
  RecFrame* frame = pool_.Take(entry.length);
  if (!frame) return nullptr;
  if (!ReadExactAt(entry.offset, frame->data, entry.length)) {
    pool_.Release(frame);
    return nullptr;
  }
  frame->length = entry.length;
  frame->timestamp = entry.timestamp;
  frame->kind = kind;
  return frame;
}

RecFrame* CFileJv::ReadVideoAt(Position position) {
  const evf::Entry entry = evf::VideoEntry(BlockAt(position.block), static_cast<uint32_t>(position.entry));
  RecFrame* frame =
      ReadEntry(entry, entry.type == evf::kKeyFrameType ? FRAME_VIDEO_KEY : FRAME_VIDEO_PREDICTED);
  if (frame) {
    current_timestamp_ = entry.timestamp;
    current_frame_position_ = region_start_ + entry.offset;
  }
  return frame;
}

int CFileJv::ReadFrame(RecFrame** frame, RecFrame**) {
  VolumeThenReader hold(main_lock_);
  if (!open_ || !frame) return 1;
  if (backward_step_) {
    backward_step_ = false;
    video_due_ = true;
  }
  if (position_.at_end()) return 1;
  const uint8_t* block = BlockAt(position_.block);
  if (!video_due_) {
    const uint32_t index = static_cast<uint32_t>(position_.entry);
    if (index >= evf::AudioCount(block)) return 1;
    RecFrame* audio = ReadEntry(evf::AudioEntry(block, index), FRAME_AUDIO);
    if (!audio) return 1;
    video_due_ = true;
    *frame = audio;
    return 0;
  }
  RecFrame* video = ReadVideoAt(position_);
  if (!video) return 1;
  position_ = Advance(position_);
  video_due_ = position_.at_end() ||
               static_cast<uint32_t>(position_.entry) >= evf::AudioCount(BlockAt(position_.block));
  *frame = video;
  return 0;
}

CFileJv::Found CFileJv::FindNear(uint64_t target, bool any_frame) const {
  for (size_t k = 0; k < blocks_.size(); ++k) {
    const uint8_t* block = BlockAt(static_cast<int>(k));
    const uint32_t count = evf::VideoCount(block);
    for (uint32_t j = 0; j < count; ++j) {
      const evf::Entry entry = evf::VideoEntry(block, j);
      if ((any_frame || entry.type == evf::kKeyFrameType) && Near(entry.timestamp, target))
        return {true, {static_cast<int>(k), static_cast<int>(j)}};
    }
  }
  return {};
}

int CFileJv::Seek(int32_t ms, int32_t flag) {
  CAutoLock hold(&main_lock_);
  if (!open_) return 1;
  backward_step_ = false;
  const uint64_t target = first_timestamp_ + static_cast<uint64_t>(int64_t{ms} * 1000);
  const Found found = FindNear(target, flag == 1);
  if (!found.found) return 1;
  position_ = found.position;
  video_due_ = true;
  const evf::Entry entry =
      evf::VideoEntry(BlockAt(position_.block), static_cast<uint32_t>(position_.entry));
  current_frame_position_ = region_start_ + entry.offset;
  return 0;
}

CFileJv::Found CFileJv::ScanForward(Position after) const {
  for (Position p = Advance(after); !p.at_end(); p = Advance(p)) {
    if (evf::VideoEntry(BlockAt(p.block), static_cast<uint32_t>(p.entry)).type == evf::kKeyFrameType)
      return {true, p};
  }
  return {};
}

CFileJv::Found CFileJv::ScanBackward(Position before) const {
  int block = before.block;
  int entry = before.entry;
  while (block >= 0) {
    const uint8_t* data = BlockAt(block);
    for (int j = std::min(entry, static_cast<int>(evf::VideoCount(data))) - 1; j >= 0; --j) {
      if (evf::VideoEntry(data, static_cast<uint32_t>(j)).type == evf::kKeyFrameType)
        return {true, {block, j}};
    }
    if (--block >= 0) entry = static_cast<int>(VideoCountOf(block));
  }
  return {};
}

int CFileJv::DeliverKeyFrame(const Found& found, RecFrame** frame) {
  if (!found.found) return 1;
  RecFrame* key = ReadVideoAt(found.position);
  if (!key) return 1;
  position_ = found.position;
  *frame = key;
  return 0;
}

int CFileJv::NextKeyFrame(RecFrame** frame) {
  VolumeThenReader hold(main_lock_);
  if (!open_ || !frame) return 1;
  Found found;
  if (backward_step_) {
    backward_step_ = false;
    found = FindNear(current_timestamp_, false);
  } else {
    if (position_.at_end() || position_ == LastPosition()) return 1;
    found = ScanForward(position_);
  }
  return DeliverKeyFrame(found, frame);
}

int CFileJv::PrevKeyFrame(RecFrame** frame) {
  VolumeThenReader hold(main_lock_);
  if (!open_ || !frame) return 1;
  Found found;
  if (!backward_step_) {
    backward_step_ = true;
    found = FindNear(current_timestamp_, false);
  } else if (position_.at_end()) {
    // Past the last frame: every entry lies before.
    const Position last = LastPosition();
    if (last.at_end()) return 1;
    found = ScanBackward({last.block, last.entry + 1});
  } else {
    if (position_ == FirstPosition()) return 1;
    Position current = position_;
    if (current.entry == 0) {
      // The previous block's last entry becomes the current one and is
      // not examined itself.
      int block = current.block - 1;
      while (block >= 0 && VideoCountOf(block) == 0) --block;
      if (block < 0) return 1;
      current = {block, static_cast<int>(VideoCountOf(block)) - 1};
    }
    found = ScanBackward(current);
  }
  return DeliverKeyFrame(found, frame);
}

bool CFileJv::CopyHeader(std::array<uint8_t, evf::kHeaderSize>* header) {
  CAutoLock hold(&main_lock_);
  if (!open_ || !header) return false;
  *header = header_;
  return true;
}

size_t CFileJv::block_count() {
  CAutoLock hold(&main_lock_);
  return blocks_.size();
}

bool CFileJv::CopyBlock(size_t index, std::vector<uint8_t>* block) {
  CAutoLock hold(&main_lock_);
  if (!open_ || index >= blocks_.size() || !block) return false;
  *block = blocks_[index];
  return true;
}

bool CFileJv::ReadRegion(uint64_t offset, void* buffer, uint32_t length) {
  VolumeThenReader hold(main_lock_);
  return open_ && buffer && ReadExactAt(offset, buffer, length);
}

}  // namespace brisca
