#include "tools/disk/stream_survey.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "brisca/stream/stream_frame.h"

namespace brisca::tools::disk {
namespace {

// Twice the largest frame, so a frame that starts anywhere in the first
// half always fits once the buffer is refilled.
constexpr size_t kWindow = 2 * size_t{kMaxFrameSize} + 4096;

int64_t DayNumber(const WallClock& clock) {
  using namespace std::chrono;
  return sys_days{year_month_day{year{clock.year}, month{clock.month}, day{clock.day}}}
      .time_since_epoch()
      .count();
}

class Surveyor {
 public:
  explicit Surveyor(StreamSurvey& survey) : survey_(survey) {}

  void Take(const StreamFrame& frame, uint64_t offset) {
    ++survey_.frames;
    if (frame.IsVideo() && frame.IsKey()) ++survey_.key_frames;
    if (!frame.has_clock) return;
    const WallClock& clock = frame.clock;
    if (!has_clock_) {
      has_clock_ = true;
      first_day_ = DayNumber(clock);
      survey_.date = {static_cast<uint8_t>(clock.year - 2000), clock.month, clock.day};
      survey_.start = tvfs::TimeOfDay::FromSeconds(clock.SecondsOfDay());
    }
    survey_.end = tvfs::TimeOfDay::FromSeconds(clock.SecondsOfDay());
    if (!frame.IsVideo() || !frame.IsKey()) return;
    const int64_t second = (DayNumber(clock) - first_day_) * tvfs::kSecondsPerDay + clock.SecondsOfDay();
    if (second < 0 || second > UINT32_MAX) return;
    auto& index = survey_.time_index;
    if (!index.empty() && second <= int64_t{index.back().second}) return;
    if (index.size() >= tvfs::kMaxIndexEntries) return;
    index.push_back({offset, static_cast<uint32_t>(second)});
  }

  bool HasClock() const { return has_clock_; }

 private:
  StreamSurvey& survey_;
  bool has_clock_ = false;
  int64_t first_day_ = 0;  // day number of the first clock
};

}  // namespace

bool SurveyStream(std::istream& in, StreamSurvey& survey, std::string& error) {
  survey = StreamSurvey{};
  Surveyor surveyor(survey);
  std::vector<uint8_t> window(kWindow);
  size_t filled = 0;
  size_t position = 0;
  uint64_t window_start = 0;  // stream offset of window[0]
  bool at_end = false;
  for (;;) {
    StreamFrame frame;
    const ScanResult scan = ScanForFrame(window.data() + position, filled - position, frame);
    if (scan.match == FrameMatch::kFrame) {
      surveyor.Take(frame, window_start + position + scan.offset);
      position += scan.offset + frame.total_size;
      continue;
    }
    if (at_end) break;
    // The bytes before the candidate are noise; keep the candidate and top
    // the window up behind it.
    position += scan.offset;
    // A candidate frame always fits the window; this only guarantees progress.
    if (position == 0 && filled == window.size()) position = 1;
    std::memmove(window.data(), window.data() + position, filled - position);
    window_start += position;
    filled -= position;
    position = 0;
    in.read(reinterpret_cast<char*>(window.data() + filled),
            static_cast<std::streamsize>(window.size() - filled));
    filled += static_cast<size_t>(in.gcount());
    if (in.bad()) {
      error = "read error";
      return false;
    }
    at_end = in.eof();
  }
  survey.size = window_start + filled;
  if (!surveyor.HasClock()) {
    error = "no frame carries a clock";
    return false;
  }
  return true;
}

}  // namespace brisca::tools::disk
