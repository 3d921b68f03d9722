#include "brisca/stream/stream_examination.h"

#include "brisca/stream/plausible_span.h"

namespace brisca {
namespace {

constexpr size_t kMinimumRemaining = 24;

// Calls `visit(frame)` for every whole frame until it returns false.
template <typename Visit>
void ForEachWholeFrame(const uint8_t* data, size_t size, Visit visit) {
  size_t position = 0;
  StreamFrame frame;
  while (size - position > kMinimumRemaining) {
    const Recognition result = RecognizeFrame(data + position, size - position, frame);
    if (result.match == FrameMatch::kNeedMoreData) return;
    if (result.match == FrameMatch::kNotAFrame) {
      ++position;
      continue;
    }
    // A frame that a confirmed frame inside it contradicts is given up.
    const size_t end = ConfirmedFrameEnd(data + position, size - position, frame.total_size, false);
    if (end != frame.total_size) {
      position += end;
      continue;
    }
    frame.payload = nullptr;
    if (!visit(frame)) return;
    position += frame.total_size;
  }
}

}  // namespace

StreamHead ExamineHead(const uint8_t* data, size_t size) {
  StreamHead head;
  ForEachWholeFrame(data, size, [&](const StreamFrame& frame) {
    if (frame.has_audio_format) head.audio = frame.audio_format;
    if (frame.IsVideo() && frame.IsKey() && !head.first_key) {
      head.first_key = frame;
      return !frame.has_audio_format;
    }
    return !(head.first_key && frame.has_audio_format);
  });
  return head;
}

std::optional<uint64_t> FirstKeyTimestamp(const uint8_t* data, size_t size) {
  std::optional<uint64_t> key;
  PlausibleSpan span(kPlausibleGapMs);
  ForEachWholeFrame(data, size, [&](const StreamFrame& frame) {
    if (!frame.IsVideo()) return true;
    if (!key) {
      if (!frame.IsKey()) return true;
      key = frame.timestamp;
      span.Add(frame.timestamp);
      return true;
    }
    if (frame.timestamp != 0) span.Add(frame.timestamp);
    return !span.first();
  });
  return span.first() ? span.first() : key;
}

std::optional<uint64_t> LastVideoTimestamp(const uint8_t* data, size_t size) {
  std::optional<uint64_t> last;
  PlausibleSpan span(kPlausibleGapMs);
  ForEachWholeFrame(data, size, [&](const StreamFrame& frame) {
    if (frame.IsVideo() && frame.timestamp != 0) {
      last = frame.timestamp;
      span.Add(frame.timestamp);
    }
    return true;
  });
  return span.last() ? span.last() : last;
}

}  // namespace brisca
