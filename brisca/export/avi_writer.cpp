#include "brisca/export/avi_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <new>

#include "brisca/base/file_write.h"

namespace brisca {
namespace {

constexpr uint32_t kKeyFrameFlag = 0x10;

constexpr std::array<const char*, 15> kErrorTexts = {
    "avilib - No Error",
    "avilib - AVI file size limit reached",
    "avilib - Error opening AVI file",
    "avilib - Error reading from AVI file",
    "avilib - Error writing to AVI file",
    "avilib - Error writing index (file may still be useable)",
    "avilib - Error closing AVI file",
    "avilib - Operation (read/write) not permitted",
    "avilib - Out of memory (malloc failed)",
    "avilib - Not an AVI file",
    "avilib - AVI file has no header list (corrupted?)",
    "avilib - AVI file has no MOVI list (corrupted?)",
    "avilib - AVI file has no video data",
    "avilib - operation needs an index",
    "avilib - Unkown Error",
};

void PutU32(uint8_t* out, uint32_t value) { std::memcpy(out, &value, 4); }

}  // namespace

const char* AviErrorText(int code) {
  if (code < 0 || code >= static_cast<int>(kErrorTexts.size())) return kErrorTexts.back();
  return kErrorTexts[static_cast<size_t>(code)];
}

std::unique_ptr<CAviWriter> CAviWriter::Open(const char* path, int* error) {
  int ignored = 0;
  int& result = error ? *error : ignored;
  result = AVI_ERR_OPEN;
  if (!path) return nullptr;
  // Knowing whether the file was created here tells whether a failure may
  // remove it: an existing path may be anything (even a device).
  bool created = true;
  int fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
  }
  if (fd < 0) return nullptr;
  const auto give_up = [&](int code) {
    close(fd);
    if (created) unlink(path);
    result = code;
    return nullptr;
  };
  std::unique_ptr<CAviWriter> writer(new (std::nothrow) CAviWriter(fd));
  if (writer) writer->buffer_.reset(new (std::nothrow) uint8_t[kBufferBytes]);
  if (!writer || !writer->buffer_) {
    if (writer) writer->fd_ = -1;  // closed by give_up
    return give_up(AVI_ERR_NO_MEMORY);
  }
  const std::array<uint8_t, kAviHeaderBytes> zeros{};
  if (!WriteFullyAt(fd, zeros.data(), zeros.size(), 0)) {
    writer->fd_ = -1;  // closed by give_up
    return give_up(AVI_ERR_WRITE);
  }
  result = AVI_ERR_NONE;
  return writer;
}

CAviWriter::~CAviWriter() {
  if (fd_ >= 0) Close();
}

int CAviWriter::WriteProvisionalHeader() {
  const std::array<uint8_t, kAviHeaderBytes> header = BuildProvisionalAviHeader(streams_);
  if (!WriteFullyAt(fd_, header.data(), header.size(), 0)) return Fail(AVI_ERR_CLOSE);
  return 0;
}

int CAviWriter::SetVideo(int32_t width, int32_t height, double fps, const char* compressor) {
  if (fd_ < 0) return Fail(AVI_ERR_NOT_PERMITTED);
  streams_.width = width;
  streams_.height = height;
  streams_.fps = fps;
  char code[4] = {};
  if (compressor && std::strncmp(compressor, "RGB", 3) != 0)
    std::memcpy(code, compressor, strnlen(compressor, sizeof code));
  std::memcpy(&streams_.compressor, code, sizeof code);
  return WriteProvisionalHeader();
}

int CAviWriter::SetAudio(int channels, int32_t sample_rate, int bits_per_sample, int format_tag,
                         int bit_rate_kbps) {
  if (fd_ < 0) return Fail(AVI_ERR_NOT_PERMITTED);
  if (streams_.audio_count == kAviMaxAudioTracks) return Fail(AVI_ERR_NOT_PERMITTED);
  AviAudioTrack& track = streams_.audio[static_cast<size_t>(streams_.audio_count)];
  track = AviAudioTrack{};
  track.format_tag = static_cast<uint16_t>(format_tag);
  track.channels = static_cast<uint16_t>(channels);
  track.sample_rate = static_cast<uint32_t>(sample_rate);
  track.bits_per_sample = static_cast<uint16_t>(bits_per_sample);
  track.bit_rate_kbps = static_cast<uint32_t>(bit_rate_kbps);
  current_track_ = streams_.audio_count++;
  return WriteProvisionalHeader();
}

void CAviWriter::Commit() {
  written_end_ = position_;
  written_entries_ = index_.size();
}

void CAviWriter::KeepWholeChunks() {
  // A write that fails part-way has still put its first bytes in the file,
  // in order: the file's size says which chunks are whole.
  uint64_t reached = written_end_;
  struct stat info {};
  if (size_tells_progress_ && fstat(fd_, &info) == 0 && static_cast<uint64_t>(info.st_size) > reached)
    reached = static_cast<uint64_t>(info.st_size);
  size_t kept = written_entries_;
  uint64_t end = written_end_;
  for (; kept < index_.size(); ++kept) {
    const IndexEntry& entry = index_[kept];
    const uint64_t chunk_end = uint64_t{entry.offset} + 8 + entry.length + entry.length % 2;
    if (chunk_end > reached) break;
    end = chunk_end;
  }
  for (size_t i = kept; i < index_.size(); ++i) {
    const IndexEntry& entry = index_[i];
    if (entry.id[1] == '0') {
      --streams_.video_frames;
    } else {
      streams_.audio[static_cast<size_t>(entry.id[1] - '1')].bytes -= entry.length;
    }
  }
  index_.resize(kept);
  position_ = end;
  buffered_ = 0;
  Commit();
  // Cut what the failed write left after the last whole chunk now, so that
  // the next write of chunks starts at the file's end again.
  if (ftruncate(fd_, static_cast<off_t>(end)) != 0) size_tells_progress_ = false;
}

int CAviWriter::Flush() {
  if (buffered_ == 0) return 0;
  if (!WriteFullyAt(fd_, buffer_.get(), buffered_, written_end_)) {
    KeepWholeChunks();
    return Fail(AVI_ERR_WRITE);
  }
  buffered_ = 0;
  Commit();
  return 0;
}

int CAviWriter::WriteChunk(const char* id, uint32_t flags, const uint8_t* data, uint32_t length,
                           int stream) {
  if (fd_ < 0) return Fail(AVI_ERR_NOT_PERMITTED);
  if (position_ + 16 * uint64_t{index_.size()} + length + 32 > kAviFileLimit)
    return Fail(AVI_ERR_SIZE_LIMIT);
  const uint64_t bytes = 8 + uint64_t{length} + length % 2;
  if (buffered_ + bytes > kBufferBytes && Flush() != 0) return -1;
  IndexEntry entry{};
  std::memcpy(entry.id, id, sizeof entry.id);
  entry.flags = flags;
  entry.offset = static_cast<uint32_t>(position_);  // below the limit, checked above
  entry.length = length;
  try {
    index_.push_back(entry);
  } catch (const std::bad_alloc&) {
    return Fail(AVI_ERR_NO_MEMORY);
  }
  uint8_t header[8];
  std::memcpy(header, id, 4);
  PutU32(header + 4, length);
  const uint64_t chunk_at = position_;
  position_ += bytes;
  if (stream == kVideo) {
    ++streams_.video_frames;
  } else {
    streams_.audio[static_cast<size_t>(stream)].bytes += length;
  }
  if (bytes <= kBufferBytes) {
    uint8_t* out = buffer_.get() + buffered_;
    std::memcpy(out, header, sizeof header);
    std::memcpy(out + sizeof header, data, length);
    // The pad byte is written here, never read from past the caller's data.
    if (length % 2) out[sizeof header + length] = 0;
    buffered_ += static_cast<size_t>(bytes);
    return 0;
  }
  // Larger than the buffer, which Flush has emptied: written by itself.
  static const uint8_t kPad = 0;
  const iovec pieces[] = {iovec{header, sizeof header}, iovec{const_cast<uint8_t*>(data), length},
                          iovec{const_cast<uint8_t*>(&kPad), 1}};
  if (!WriteFullyAt(fd_, pieces, length % 2 ? 3 : 2, chunk_at)) {
    KeepWholeChunks();
    return Fail(AVI_ERR_WRITE);
  }
  Commit();
  return 0;
}

int CAviWriter::WriteVideoFrame(const uint8_t* data, uint32_t length, bool key_frame) {
  return WriteChunk("00db", key_frame ? kKeyFrameFlag : 0, data, length, kVideo);
}

int CAviWriter::WriteAudio(const uint8_t* data, uint32_t length) {
  if (current_track_ < 0) return Fail(AVI_ERR_NOT_PERMITTED);
  // "0Nwb": tracks are numbered from 1, so N is one digit (at most 8).
  const char id[4] = {'0', static_cast<char>('1' + current_track_), 'w', 'b'};
  return WriteChunk(id, 0, data, length, current_track_);
}

int CAviWriter::Close() {
  if (fd_ < 0) return Fail(AVI_ERR_NOT_PERMITTED);
  int result = Flush();
  const uint64_t movie_end = position_;
  uint8_t index_header[8];
  std::memcpy(index_header, "idx1", 4);
  const size_t index_bytes = index_.size() * sizeof(IndexEntry);
  PutU32(index_header + 4, static_cast<uint32_t>(index_bytes));
  const iovec index_pieces[] = {iovec{index_header, sizeof index_header},
                                iovec{index_.data(), index_bytes}};
  const bool has_index = WriteFullyAt(fd_, index_pieces, 2, position_);
  if (has_index) position_ += sizeof index_header + index_bytes;
  if (!has_index) result = Fail(AVI_ERR_WRITE_INDEX);

  const std::array<uint8_t, kAviHeaderBytes> header =
      BuildFinalAviHeader(streams_, position_, movie_end, has_index);
  // The cut comes even after a failed header: the file must not end in
  // part of an idx1.
  const bool header_written = WriteFullyAt(fd_, header.data(), header.size(), 0);
  if (ftruncate(fd_, static_cast<off_t>(position_)) != 0 || !header_written)
    result = Fail(AVI_ERR_CLOSE);
  // A close that fails may have lost written data.
  if (close(fd_) != 0) result = Fail(AVI_ERR_CLOSE);
  fd_ = -1;
  index_.clear();
  index_.shrink_to_fit();
  buffer_.reset();
  return result;
}

}  // namespace brisca
