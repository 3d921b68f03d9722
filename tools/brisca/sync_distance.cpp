#include "tools/brisca/sync_distance.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>

namespace brisca::tools {

std::optional<int64_t> CalendarMs(unsigned year, unsigned month, unsigned day, unsigned hour,
                                  unsigned minute, unsigned second) {
  using namespace std::chrono;
  if (year == 0 || year > 9999 || month > 12 || day > 31 || hour > 23 || minute > 59 ||
      second > 59) {
    return std::nullopt;
  }
  const year_month_day date{std::chrono::year(static_cast<int>(year)), std::chrono::month(month),
                            std::chrono::day(day)};
  if (!date.ok()) return std::nullopt;
  const auto time = sys_days(date) + hours(hour) + minutes(minute) + seconds(second);
  return duration_cast<milliseconds>(time.time_since_epoch()).count();
}

WallClock WallClock::Of(std::optional<int64_t> start_ms, uint64_t first_timestamp) {
  const double first = static_cast<double>(first_timestamp);
  return {start_ms ? static_cast<double>(*start_ms) : first, first};
}

std::vector<SyncSample> SyncDistances(const ChannelTrack& follower, const ChannelTrack& sync) {
  std::vector<SyncSample> samples;
  if (follower.frames.empty()) return samples;
  const double covered_from = follower.clock.Wall(follower.frames.front());
  const double covered_to = follower.clock.Wall(follower.frames.back());
  std::vector<ShownPicture> leader = sync.shown;
  std::stable_sort(leader.begin(), leader.end(), [](const ShownPicture& a, const ShownPicture& b) {
    return a.tick_ms < b.tick_ms;
  });

  for (const ShownPicture& picture : follower.shown) {
    const auto after =
        std::upper_bound(leader.begin(), leader.end(), picture.tick_ms,
                         [](double tick, const ShownPicture& p) { return tick < p.tick_ms; });
    if (after == leader.begin()) continue;
    const double wall = follower.clock.Wall(picture.timestamp);
    std::optional<double> nearest;
    for (auto it : {std::prev(after), after}) {
      if (it == leader.end()) continue;
      const double moment = sync.clock.Wall(it->timestamp);
      if (moment < covered_from || moment > covered_to) continue;
      const double distance = std::fabs(wall - moment);
      if (!nearest || distance < *nearest) nearest = distance;
    }
    if (nearest) samples.push_back({picture.tick_ms, *nearest});
  }
  return samples;
}

std::optional<double> LargestDistance(const std::vector<SyncSample>& samples, double begin_ms,
                                      double end_ms) {
  std::optional<double> largest;
  for (const SyncSample& sample : samples) {
    if (sample.tick_ms < begin_ms || sample.tick_ms >= end_ms) continue;
    if (!largest || sample.distance_ms > *largest) largest = sample.distance_ms;
  }
  return largest;
}

size_t GivenUp(const std::vector<ShownPicture>& shown, const std::vector<uint64_t>& frames,
               const std::vector<PlayPhase>& phases) {
  // The phase a picture arrived in: one past the last phase started by then.
  const auto phase_of = [&](double tick) {
    return std::upper_bound(phases.begin(), phases.end(), tick,
                            [](double t, const PlayPhase& p) { return t < p.start_ms; }) -
           phases.begin();
  };
  size_t given_up = 0;
  for (size_t i = 1; i < shown.size(); ++i) {
    const ShownPicture& earlier = shown[i - 1];
    const ShownPicture& later = shown[i];
    const auto phase = phase_of(earlier.tick_ms);
    if (phase == 0 || phase != phase_of(later.tick_ms) ||
        !phases[static_cast<size_t>(phase - 1)].forward_normal ||
        later.timestamp <= earlier.timestamp) {
      continue;
    }
    const auto from = std::upper_bound(frames.begin(), frames.end(), earlier.timestamp);
    const auto to = std::lower_bound(frames.begin(), frames.end(), later.timestamp);
    if (from < to) given_up += static_cast<size_t>(to - from);
  }
  return given_up;
}

}  // namespace brisca::tools
