#include "brisca/stream/stream_frame_reader.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <utility>

#include "brisca/base/damage_report.h"
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

bool StreamFrameReader::Refill(size_t needed) {
  if (at_end_ || read_error_) return false;
  const size_t unparsed = end_ - begin_;
  // Bytes wanted from begin_: the candidate's claim, and at least one more.
  const size_t want = std::max(needed, unparsed + 1);
  // A move costs the unparsed bytes; making it only when as many bytes were
  // consumed before them (or they would not fit) keeps all moves together
  // below the bytes scanned.
  if (begin_ > 0 && (begin_ >= unparsed || buffer_.size() - begin_ < want)) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, unparsed);
    end_ = unparsed;
    buffer_offset_ += begin_;
    begin_ = 0;
  }
  // Twice the claim, so that the next candidates' claims fit without a move.
  if (buffer_.size() - begin_ < want) buffer_.resize(begin_ + 2 * want);
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

bool StreamFrameReader::CheckSuccessor(size_t at, size_t* end) {
  const size_t start = begin_ + at;
  const size_t total = frame_.total_size;
  // The header after the frame must be buffered to be judged.
  if (end_ - start < total + kStreamHeaderSize && !at_end_ && !read_error_) {
    begin_ = start;
    Refill(total + kStreamHeaderSize);
    return false;  // scan again; once the source ends or fails, judge what there is
  }
  *end = ConfirmedFrameEnd(buffer_.data() + start, end_ - start, frame_.total_size, at_end_);
  return true;
}

StreamFrameReader::Status StreamFrameReader::Next(FramePool& pool, RecFrame** frame,
                                                  RecFrame** info) {
  *frame = nullptr;
  *info = nullptr;
  for (;;) {
    const ScanResult scan = ScanForFrame(buffer_.data() + begin_, end_ - begin_, frame_);
    if (scan.match == FrameMatch::kFrame) {
      size_t end = 0;
      if (!CheckSuccessor(scan.offset, &end)) continue;
      if (end != frame_.total_size) {
        const uint64_t offset = buffer_offset_ + begin_ + scan.offset;
        if (given_up_bytes_ == 0) {
          ReportDamage("stream frame at byte %" PRIu64 " claims %u bytes, but a frame starts "
                       "%zu bytes in: the bytes before it are skipped",
                       offset, frame_.total_size, end);
        }
        given_up_bytes_ += end;
        begin_ += scan.offset + end;
        continue;
      }
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
