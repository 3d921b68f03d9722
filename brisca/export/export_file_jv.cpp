#include "brisca/export/export_file_jv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>

#include "brisca/base/diag_log.h"
#include "brisca/card/card_files.h"
#include "brisca/card/evf_layout.h"

namespace brisca {
namespace {

// Frame data is copied through a buffer of this size, and appended data
// goes to the container in writes of this size.
constexpr size_t kCopyBufferBytes = 1 << 20;

// An evf container opened for appending recordings. Appended bytes gather
// in a buffer; a block written earlier is rewritten in place once its
// entries' new offsets are known.
class ContainerAppender {
 public:
  ~ContainerAppender() {
    if (fd_ >= 0) ::close(fd_);
  }

  // Creates the container when missing; appending starts at its end.
  bool Open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return false;
    struct stat status {};
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) return false;
    end_ = static_cast<uint64_t>(status.st_size);
    return true;
  }

  // Where the next appended byte goes.
  uint64_t position() const { return end_ + pending_.size(); }

  bool Append(const uint8_t* data, size_t size) {
    while (size > 0) {
      const size_t room = kCopyBufferBytes - pending_.size();
      const size_t take = std::min(room, size);
      pending_.insert(pending_.end(), data, data + take);
      data += take;
      size -= take;
      if (pending_.size() == kCopyBufferBytes && !Flush()) return false;
    }
    return true;
  }

  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
    return Flush() && WriteAll(offset, data, size);
  }

  // Writes what is gathered and closes; false when anything failed.
  bool Close() {
    const bool flushed = Flush();
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return flushed && closed;
  }

 private:
  bool Flush() {
    if (pending_.empty()) return true;
    if (!WriteAll(end_, pending_.data(), pending_.size())) return false;
    end_ += pending_.size();
    pending_.clear();
    return true;
  }

  bool WriteAll(uint64_t offset, const uint8_t* data, size_t size) {
    while (size > 0) {
      const ssize_t written = ::pwrite(fd_, data, size, static_cast<off_t>(offset));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      data += written;
      size -= static_cast<size_t>(written);
      offset += static_cast<uint64_t>(written);
    }
    return true;
  }

  int fd_ = -1;
  uint64_t end_ = 0;
  std::vector<uint8_t> pending_;
};

// Offsets and lengths in a recording are 32-bit: a region that would reach
// past them cannot be described.
bool FitsIn32(uint64_t value) { return value <= std::numeric_limits<uint32_t>::max(); }

// Appends the open recording to the container: its header, then each index
// block followed by the block's frames in the reader's order (video j, then
// audio j while j is below the audio count), every frame offset renumbered
// from the new region start and each block's length set to the bytes that
// follow it. `block_done(k, blocks)` after each block. False when a read or
// write failed or an offset would not fit.
template <typename BlockDone>
bool CopyRegion(CFileJv& reader, ContainerAppender& container, BlockDone block_done) {
  const uint64_t start = container.position();
  std::array<uint8_t, evf::kHeaderSize> header{};
  if (!reader.CopyHeader(&header) || !container.Append(header.data(), header.size())) return false;
  std::vector<uint8_t> block;
  std::vector<uint8_t> buffer(kCopyBufferBytes);
  // The frame's new offset in the region, or nothing on failure.
  const auto copy_frame = [&](const evf::Entry& entry) -> std::optional<uint32_t> {
    const uint64_t offset = container.position() - start;
    if (!FitsIn32(offset)) return std::nullopt;
    for (uint32_t done = 0; done < entry.length;) {
      const uint32_t take =
          static_cast<uint32_t>(std::min<uint64_t>(entry.length - done, buffer.size()));
      if (!reader.ReadRegion(uint64_t{entry.offset} + done, buffer.data(), take) ||
          !container.Append(buffer.data(), take))
        return std::nullopt;
      done += take;
    }
    return static_cast<uint32_t>(offset);
  };
  const size_t blocks = reader.block_count();
  for (size_t k = 0; k < blocks; ++k) {
    if (!reader.CopyBlock(k, &block) || block.size() != evf::kBlockSize) return false;
    const uint64_t block_position = container.position();
    if (!container.Append(block.data(), block.size())) return false;
    const uint32_t video = std::min(evf::VideoCount(block.data()), evf::kMaxVideoEntries);
    const uint32_t audio = std::min(evf::AudioCount(block.data()), evf::kMaxAudioEntries);
    for (uint32_t j = 0; j < video; ++j) {
      const std::optional<uint32_t> video_offset = copy_frame(evf::VideoEntry(block.data(), j));
      if (!video_offset) return false;
      evf::SetVideoOffset(block.data(), j, *video_offset);
      if (j >= audio) continue;
      const std::optional<uint32_t> audio_offset = copy_frame(evf::AudioEntry(block.data(), j));
      if (!audio_offset) return false;
      evf::SetAudioOffset(block.data(), j, *audio_offset);
    }
    const uint64_t length = container.position() - block_position;
    if (!FitsIn32(length) || !FitsIn32(container.position() - start)) return false;
    evf::SetBlockLength(block.data(), static_cast<uint32_t>(length));
    if (!container.WriteAt(block_position, block.data(), block.size())) return false;
    block_done(k, blocks);
  }
  return true;
}

}  // namespace

CExportFileJv::CExportFileJv(std::vector<std::string> names, std::string folder,
                             JV_EXPORT_CALLBACK callback, int32_t user, CIndexFileJvMgr& index)
    : CThread("brisca-export"),
      names_(std::move(names)),
      folder_(std::move(folder)),
      callback_(callback),
      user_(user),
      index_(index) {}

CExportFileJv::~CExportFileJv() { Stop(); }

bool CExportFileJv::OnWorkerThread() const {
  return worker_id_.load() == std::this_thread::get_id();
}

uint32_t CExportFileJv::Run() {
  worker_id_ = std::this_thread::get_id();
  const size_t copied = Export();
  worker_id_ = std::thread::id{};
  return static_cast<uint32_t>(copied);
}

void CExportFileJv::Report(int32_t value) {
  last_report_ = value;
  if (callback_) callback_(user_, value);
}

size_t CExportFileJv::Export() {
  DeleteEarlierExport();
  size_t copied = 0;
  if (index_.WriteExportIndexes(folder_.c_str(), names_) != 0) {
    BrLog("CExportFileJv::Run:1 %s", folder_.c_str());
  } else {
    while (copied < names_.size() && !StopRequested()) {
      uint32_t region_offset = 0;
      if (!CopyRecording(copied, &region_offset)) break;
      const int updated =
          index_.UpdateExportEntry(folder_.c_str(), names_[copied].c_str(), region_offset);
      if (updated != 0) {
        BrLog("CExportFileJv::Run:2 %s %d", names_[copied].c_str(), updated);
        break;
      }
      ++copied;
    }
  }
  if (copied < names_.size()) {
    Report(-1);
  } else if (last_report_ != 100) {
    // Callers wait for 100 or -1; a last recording without index blocks
    // (or no recording at all) reports no progress of its own.
    Report(100);
  }
  return copied;
}

void CExportFileJv::DeleteEarlierExport() {
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    const size_t dot = name.rfind('.');
    if (name.find("fly") == std::string::npos || dot == std::string::npos ||
        name.compare(dot + 1, std::string::npos, "evf") != 0)
      continue;
    std::error_code ignored;
    if (!it->is_directory(ignored)) fs::remove(it->path(), ignored);
  }
  CIndexFileJvMgr::DeleteExportIndexes(folder_.c_str());
}

bool CExportFileJv::CopyRecording(size_t i, uint32_t* region_offset) {
  const std::string& name = names_[i];
  const std::optional<CardRecordingName> parsed = ParseCardRecordingName(name.c_str());
  if (!parsed) {
    BrLog("CExportFileJv::CopyFile:1 %s", name.c_str());
    return false;
  }
  // The card volume stays mounted for the whole copy.
  if (!index_.MountPartition(parsed->partition)) {
    BrLog("CExportFileJv::CopyFile:2 %s", name.c_str());
    return false;
  }
  CFileJv reader(index_);
  bool copied = false;
  if (const int opened = reader.Open(name.c_str()); opened != 0) {
    BrLog("CExportFileJv::CopyFile:3 %s %d", name.c_str(), opened);
  } else {
    const std::string path =
        CardContainerPath(folder_, kCardFolderMode, parsed->partition, parsed->file_number);
    ContainerAppender container;
    if (!container.Open(path)) {
      BrLog("CExportFileJv::CopyFile:4 %s %s", path.c_str(), std::strerror(errno));
    } else {
      const uint64_t start = container.position();
      // Overall progress in percent: this recording's share of its blocks
      // done, after the recordings before it.
      const auto block_done = [&](size_t k, size_t blocks) {
        Report(static_cast<int32_t>((100 * (k + 1) / blocks + 100 * i) / names_.size()));
      };
      copied = FitsIn32(start) && CopyRegion(reader, container, block_done);
      if (!container.Close()) copied = false;
      if (!copied) BrLog("CExportFileJv::CopyFile:5 %s %s", name.c_str(), path.c_str());
      *region_offset = static_cast<uint32_t>(start);
    }
  }
  reader.Close();
  index_.UnmountPartition(parsed->partition);
  return copied;
}

}  // namespace brisca
