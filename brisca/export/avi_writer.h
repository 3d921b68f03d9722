// A write-only AVI 1.0 file (RIFF form "AVI "): one video stream copied as
// it comes (H.264 access units here) and up to eight audio tracks. Chunks
// are appended in writing order after a 2,048-byte header area; close
// writes the idx1 index and the final header. A file never reaches
// 0xFEFFF7FF bytes: a chunk that would take it there is refused.
//
// Chunks gather in a 1 MiB buffer and go to the file a buffer at a time
// (a larger chunk goes by itself): one write per chunk would cost a system
// call per frame. When a write fails (a full disk, a file size limit), the
// chunks that reached the file whole are kept, even those of a buffer
// written only in part; the others are dropped with their index entries,
// including chunks whose calls returned 0. The file is cut after the last
// kept chunk at once, so that it never holds a partial chunk, and once
// closed its header and idx1 describe exactly the chunks in it.
//
// Every operation reports 0 or -1 and leaves its error code in error().
// One thread at a time uses a writer.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "brisca/export/avi_header.h"

namespace brisca {

// The writer's error vocabulary. Codes 3 and 9 to 13 belong to reading AVI
// files, which the library does not do.
enum AviError : int {
  AVI_ERR_NONE = 0,
  AVI_ERR_SIZE_LIMIT = 1,
  AVI_ERR_OPEN = 2,
  AVI_ERR_READ = 3,
  AVI_ERR_WRITE = 4,
  AVI_ERR_WRITE_INDEX = 5,
  AVI_ERR_CLOSE = 6,
  AVI_ERR_NOT_PERMITTED = 7,
  AVI_ERR_NO_MEMORY = 8,
  AVI_ERR_NOT_AVI = 9,
  AVI_ERR_NO_HEADER_LIST = 10,
  AVI_ERR_NO_MOVIE_LIST = 11,
  AVI_ERR_NO_VIDEO = 12,
  AVI_ERR_NEEDS_INDEX = 13,
  AVI_ERR_UNKNOWN = 14,
};

// The text of an error code; codes outside the vocabulary get code 14's.
const char* AviErrorText(int code);

// Files may grow up to this size; a chunk that would leave no room for its
// index entry and the idx1 header below it is refused.
inline constexpr uint64_t kAviFileLimit = 0xFEFFF7FF;

class CAviWriter {
 public:
  // Creates or truncates `path` (read-write for the owner, less the umask)
  // and writes the zeroed header area. Null when that fails, with *error
  // AVI_ERR_OPEN (not created), AVI_ERR_WRITE (header area not written; a
  // file this call created is removed again) or AVI_ERR_NO_MEMORY.
  static std::unique_ptr<CAviWriter> Open(const char* path, int* error);

  // Closes the file (as Close) if the owner did not.
  ~CAviWriter();
  CAviWriter(const CAviWriter&) = delete;
  CAviWriter& operator=(const CAviWriter&) = delete;

  // Describes the video: a compressor text starting with "RGB" is stored as
  // code 0, any other as its first four characters. Rewrites the provisional
  // header; -1 (AVI_ERR_CLOSE) when that fails.
  int SetVideo(int32_t width, int32_t height, double fps, const char* compressor);
  // Adds an audio track and makes it the one WriteAudio writes to, then
  // rewrites the provisional header. -1 with AVI_ERR_NOT_PERMITTED for a
  // ninth track (nothing is added), AVI_ERR_CLOSE when the header fails.
  int SetAudio(int channels, int32_t sample_rate, int bits_per_sample, int format_tag,
               int bit_rate_kbps);

  // Appends a "00db" chunk of `length` bytes read from `data` (exactly that
  // many; an odd chunk is padded with a zero byte). The index entry of a
  // key frame is flagged 0x10. -1 with AVI_ERR_SIZE_LIMIT or
  // AVI_ERR_NO_MEMORY (the chunk is not added), or AVI_ERR_WRITE (the chunk
  // and every other one not whole in the file are dropped).
  int WriteVideoFrame(const uint8_t* data, uint32_t length, bool key_frame);
  // Appends a "0Nwb" chunk to the current audio track (N = track + 1); as
  // WriteVideoFrame. AVI_ERR_NOT_PERMITTED when no track was set.
  int WriteAudio(const uint8_t* data, uint32_t length);

  // Writes the chunks still gathered, idx1 after the last chunk and the
  // final header, cuts the file there and closes it. 0; -1 with
  // AVI_ERR_WRITE when gathered chunks were dropped, AVI_ERR_WRITE_INDEX
  // when idx1 could not be written (the header then says so and the file is
  // still readable), AVI_ERR_CLOSE when the header, the cut or the close
  // failed (a file whose final header is missing keeps the provisional one,
  // which readers take as a file of unknown length). Later operations fail
  // with AVI_ERR_NOT_PERMITTED.
  int Close();

  int error() const { return error_; }

 private:
  struct IndexEntry {
    char id[4];
    uint32_t flags;
    uint32_t offset;  // of the chunk header, from the start of the file
    uint32_t length;  // of the chunk data, without padding
  };
  static_assert(sizeof(IndexEntry) == 16);

  static constexpr size_t kBufferBytes = 1 << 20;
  static constexpr int kVideo = -1;  // the stream of a chunk: kVideo or an audio track

  explicit CAviWriter(int fd) : fd_(fd) {}
  int WriteChunk(const char* id, uint32_t flags, const uint8_t* data, uint32_t length, int stream);
  // Writes the gathered chunks; when that fails, keeps those that reached
  // the file whole (AVI_ERR_WRITE).
  int Flush();
  // After a failed write from `written_end_`: keeps the chunks from there
  // that are whole in the file, drops the rest and cuts the file after them.
  void KeepWholeChunks();
  // What is in the file now is what a failed write falls back to.
  void Commit();
  int WriteProvisionalHeader();
  int Fail(int error) {
    error_ = error;
    return -1;
  }

  int fd_;              // -1 once closed
  AviStreams streams_;  // frame and byte counts include gathered chunks
  int current_track_ = -1;
  uint64_t position_ = kAviHeaderBytes;  // where the next chunk goes
  std::vector<IndexEntry> index_;
  int error_ = AVI_ERR_NONE;

  std::unique_ptr<uint8_t[]> buffer_;  // kBufferBytes; chunks from `written_end_` on
  size_t buffered_ = 0;
  // The file up to here holds whole chunks: its end and their index entries.
  uint64_t written_end_ = kAviHeaderBytes;
  size_t written_entries_ = 0;
  // The file ends at `written_end_` before each write of chunks, so its size
  // after a failed one tells how far the bytes got. False once a cut failed.
  bool size_tells_progress_ = true;
};

}  // namespace brisca
