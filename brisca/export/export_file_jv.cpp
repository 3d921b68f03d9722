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
#include "brisca/base/file_write.h"
#include "brisca/card/card_files.h"
#include "brisca/card/evf_layout.h"
#include "brisca/export/write_destination.h"

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
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
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

  // Writes what is gathered, makes it durable and closes; false when
  // anything failed.
  bool Close() {
    const bool flushed = Flush() && ::fsync(fd_) == 0;
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
    return WriteFullyAt(fd_, data, size, offset);
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

namespace fs = std::filesystem;

// The folder as an absolute path without a trailing separator.
fs::path AbsoluteFolder(const std::string& folder) {
  std::error_code error;
  fs::path path = fs::absolute(folder, error).lexically_normal();
  if (error) path = fs::path(folder).lexically_normal();
  if (!path.has_filename() && path != path.root_path()) path = path.parent_path();
  return path;
}

// A new folder where the export is written before it replaces the earlier
// one: beside the destination, or inside it where the folder beside would
// lie on another file system (a rename could not move the files) or cannot
// be made. Removed with everything in it.
class StagingFolder {
 public:
  explicit StagingFolder(const std::string& destination) {
    struct stat target {};
    if (::stat(destination.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) return;
    const fs::path folder = AbsoluteFolder(destination);
    const std::string name = folder.filename().string();
    if (!name.empty() &&
        Make(folder.parent_path() / ("." + name + ".export-XXXXXX"), target.st_dev))
      return;
    Make(folder / ".export-XXXXXX", target.st_dev);
  }
  ~StagingFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;

  // Empty when no folder could be made.
  const std::string& path() const { return path_; }

 private:
  bool Make(const fs::path& pattern, dev_t device) {
    std::string made = pattern.string();
    if (!::mkdtemp(made.data())) return false;
    struct stat status {};
    if (::stat(made.c_str(), &status) != 0 || status.st_dev != device) {
      ::rmdir(made.c_str());
      return false;
    }
    path_ = std::move(made);
    return true;
  }

  std::string path_;
};

// A file of an earlier export: an index file "P_index00.bin", or a file
// whose name contains "fly" and whose extension is exactly "evf".
bool IsEarlierExportFile(const fs::directory_entry& entry, const fs::path& folder) {
  std::error_code error;
  if (entry.is_directory(error) || error) return false;
  const std::string name = entry.path().filename().string();
  const size_t dot = name.rfind('.');
  if (name.find("fly") != std::string::npos && dot != std::string::npos &&
      name.compare(dot + 1, std::string::npos, "evf") == 0)
    return true;
  for (int p = 0; p < kCardPartitionCount; ++p) {
    if (fs::path(CardIndexPath(folder.string(), kCardFolderMode, p)).filename() == name)
      return true;
  }
  return false;
}

// The names of the entries of `folder` that `keep` accepts; false when it
// cannot be listed.
template <typename Keep>
bool ListFolder(const fs::path& folder, Keep keep, std::vector<std::string>* names) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (keep(*it)) names->push_back(it->path().filename().string());
  }
  return !error;
}

// Puts the export written in `staging` in place of the earlier export in
// `folder`. The earlier export's files move into the staging folder first,
// so that a rename failing part way can put every file back where it was;
// other files of the folder stay. Only renames: none of it needs room on
// the file system.
bool ReplaceEarlierExport(const fs::path& staging, const fs::path& folder) {
  std::vector<std::string> written;
  std::vector<std::string> earlier;
  const fs::path aside = staging / ".earlier";
  const auto is_file = [](const fs::directory_entry& entry) {
    std::error_code error;
    return entry.is_regular_file(error);
  };
  const auto is_earlier = [&](const fs::directory_entry& entry) {
    return IsEarlierExportFile(entry, folder);
  };
  if (!ListFolder(staging, is_file, &written) || !ListFolder(folder, is_earlier, &earlier) ||
      ::mkdir(aside.c_str(), 0700) != 0)
    return false;
  const auto move = [](const fs::path& from, const fs::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
  };
  size_t moved_aside = 0;
  while (moved_aside < earlier.size() &&
         move(folder / earlier[moved_aside], aside / earlier[moved_aside]))
    ++moved_aside;
  size_t moved_in = 0;
  if (moved_aside == earlier.size()) {
    while (moved_in < written.size() &&
           move(staging / written[moved_in], folder / written[moved_in]))
      ++moved_in;
    if (moved_in == written.size()) {
      // The renames reach the disk with the folder.
      const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
      }
      return true;
    }
  }
  BrLog("CExportFileJv::Replace:1 %s %s", folder.c_str(), std::strerror(errno));
  while (moved_in > 0) {
    --moved_in;
    move(folder / written[moved_in], staging / written[moved_in]);
  }
  while (moved_aside > 0) {
    --moved_aside;
    move(aside / earlier[moved_aside], folder / earlier[moved_aside]);
  }
  return false;
}

// Makes a file written by another writer (the index files) durable.
bool SyncFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  return ::close(fd) == 0 && synced;
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
  if (callback_) callback_(user_, value);
}

std::string CExportFileJv::OverlappingSource() const {
  const std::string source = index_.SourcePath();
  return DestinationOverlapsSource(folder_, source) ? source : std::string();
}

size_t CExportFileJv::Export() {
  bool placed = false;
  if (const std::string source = OverlappingSource(); !source.empty()) {
    BrLog("CExportFileJv::Run:3 %s %s", folder_.c_str(), source.c_str());
  } else {
    const StagingFolder staging(folder_);
    if (staging.path().empty()) {
      BrLog("CExportFileJv::Run:4 %s %s", folder_.c_str(), std::strerror(errno));
    } else {
      placed = WriteExport(staging.path()) &&
               ReplaceEarlierExport(staging.path(), AbsoluteFolder(folder_));
    }
  }
  Report(placed ? 100 : -1);
  return placed ? names_.size() : 0;
}

bool CExportFileJv::WriteExport(const std::string& into) {
  if (index_.WriteExportIndexes(into.c_str(), names_) != 0) {
    BrLog("CExportFileJv::Run:1 %s", folder_.c_str());
    return false;
  }
  for (size_t i = 0; i < names_.size(); ++i) {
    uint32_t region_offset = 0;
    if (StopRequested() || !CopyRecording(i, into, &region_offset)) return false;
    const int updated = index_.UpdateExportEntry(into.c_str(), names_[i].c_str(), region_offset);
    if (updated != 0) {
      BrLog("CExportFileJv::Run:2 %s %d", names_[i].c_str(), updated);
      return false;
    }
  }
  for (int p = 0; p < kCardPartitionCount; ++p) {
    const std::string path = CardIndexPath(into, kCardFolderMode, p);
    if (!SyncFile(path)) {
      BrLog("CExportFileJv::Run:5 %s %s", path.c_str(), std::strerror(errno));
      return false;
    }
  }
  return true;
}

bool CExportFileJv::CopyRecording(size_t i, const std::string& into, uint32_t* region_offset) {
  const std::string& name = names_[i];
  const std::optional<CardRecordingName> parsed = ParseCardRecordingName(name.c_str());
  if (!parsed) {
    BrLog("CExportFileJv::CopyFile:1 %s", name.c_str());
    return false;
  }
  // The card volume stays mounted for the whole copy: a listing from another
  // thread mounts other partitions, so it waits for the copy to end.
  CAutoLock volume(&CardVolumeLock());
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
        CardContainerPath(into, kCardFolderMode, parsed->partition, parsed->file_number);
    ContainerAppender container;
    if (!container.Open(path)) {
      BrLog("CExportFileJv::CopyFile:4 %s %s", path.c_str(), std::strerror(errno));
    } else {
      const uint64_t start = container.position();
      // Overall progress in percent: this recording's share of its blocks
      // done, after the recordings before it. 100 waits until the export is
      // in place.
      const auto block_done = [&](size_t k, size_t blocks) {
        const auto value = static_cast<int32_t>((100 * (k + 1) / blocks + 100 * i) / names_.size());
        if (value < 100) Report(value);
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
