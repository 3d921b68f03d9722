#include "brisca/stream/stream_frame_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "brisca/stream/stream_records.h"

namespace brisca {

StreamFrameReader::StreamFrameReader(ReadFunction read, size_t buffer_size)
    : read_(std::move(read)), buffer_(std::max(buffer_size, kStreamHeaderSize * 2)) {}

void StreamFrameReader::Reset(uint64_t source_offset) {
  begin_ = end_ = 0;
  buffer_offset_ = source_offset;
  at_end_ = false;
  read_error_ = false;
}

bool StreamFrameReader::Refill(uint32_t needed) {
  if (at_end_ || read_error_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    buffer_offset_ += begin_;
    begin_ = 0;
  }
  if (needed > buffer_.size()) buffer_.resize(needed);
  const int64_t count = read_(buffer_.data() + end_, buffer_.size() - end_);
  if (count < 0) {
    read_error_ = true;
    return false;
  }
  if (count == 0) {
    at_end_ = true;
    return false;
  }
  end_ += static_cast<size_t>(std::min<uint64_t>(count, buffer_.size() - end_));
  return true;
}

StreamFrameReader::Status StreamFrameReader::Next(FramePool& pool, RecFrame** frame,
                                                  RecFrame** info) {
  *frame = nullptr;
  *info = nullptr;
  for (;;) {
    const ScanResult scan = ScanForFrame(buffer_.data() + begin_, end_ - begin_, frame_);
    if (scan.match == FrameMatch::kFrame) {
      if (!MakeRecords(frame_, pool, frame, info)) {
        begin_ += scan.offset;  // keep the frame for the retry
        return Status::kPoolExhausted;
      }
      last_frame_offset_ = buffer_offset_ + begin_ + scan.offset;
      begin_ += scan.offset + frame_.total_size;
      return Status::kFrame;
    }
    begin_ += scan.offset;  // skipped noise
    if (Refill(scan.needed)) continue;
    if (read_error_) return Status::kReadError;
    // Source exhausted: a candidate that cannot be completed is noise.
    if (end_ - begin_ <= kStreamHeaderSize) return Status::kEnd;
    ++begin_;
  }
}

}  // namespace brisca
