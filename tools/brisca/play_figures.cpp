#include "tools/brisca/play_figures.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace brisca::tools {

ChannelFigures ComputeFigures(const std::vector<ShownPicture>& shown,
                              const std::vector<uint64_t>& frames, bool reverse, bool ended,
                              bool timed) {
  ChannelFigures figures;
  figures.shown = shown.size();
  if (shown.empty()) {
    // Nothing was shown: only a channel that claims to have finished has
    // lost frames, and then all of them.
    figures.dropped = ended ? frames.size() : 0;
    return figures;
  }

  std::vector<uint64_t> distinct;
  distinct.reserve(shown.size());
  for (const ShownPicture& picture : shown) distinct.push_back(picture.timestamp);
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());

  uint64_t low = distinct.front();
  uint64_t high = distinct.back();
  if (!frames.empty()) {
    if (!reverse) low = std::min(low, frames.front());
    if (ended && !reverse) high = std::max(high, frames.back());
    if (ended && reverse) low = std::min(low, frames.front());
  }
  const auto span_begin = std::lower_bound(frames.begin(), frames.end(), low);
  const auto span_end = std::upper_bound(frames.begin(), frames.end(), high);
  size_t shown_in_span = 0;
  for (const uint64_t timestamp : distinct) {
    if (std::binary_search(frames.begin(), frames.end(), timestamp)) {
      ++shown_in_span;
    } else {
      ++figures.not_in_recording;
    }
  }
  figures.dropped = static_cast<size_t>(span_end - span_begin) - shown_in_span;

  if (shown.size() > 1) {
    figures.mean_interval_ms =
        (shown.back().tick_ms - shown.front().tick_ms) / static_cast<double>(shown.size() - 1);
  }

  if (timed) {
    figures.timed = true;
    // Shown time minus the frame's place on the timeline, per picture.
    std::vector<double> schedule;
    schedule.reserve(shown.size());
    for (const ShownPicture& picture : shown) {
      const double place = static_cast<double>(picture.timestamp);
      schedule.push_back(picture.tick_ms - (reverse ? -place : place));
    }
    std::vector<double> sorted = schedule;
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    figures.schedule_ms = *middle;
    for (const double value : schedule) {
      const double deviation = value - figures.schedule_ms;
      figures.worst_deviation_ms = std::max(figures.worst_deviation_ms, std::fabs(deviation));
      if (deviation > kOnTimeMs) {
        ++figures.late;
      } else if (deviation < -kOnTimeMs) {
        ++figures.early;
      } else {
        ++figures.on_time;
      }
    }
  }
  return figures;
}

}  // namespace brisca::tools
