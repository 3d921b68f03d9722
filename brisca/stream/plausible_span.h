// The span of a recording's timestamps that neighbours vouch for. A damaged
// timestamp (one flipped bit makes it hours or years off) contradicts the
// timestamps read before and after it; a recording's start and end are
// taken only from timestamps that agree with a neighbour, so that one bad
// value does not make a recording last a day or no time at all.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

namespace brisca {

// Neighbouring timestamps this far apart or less agree, in milliseconds.
inline constexpr uint64_t kPlausibleGapMs = 10000;

class PlausibleSpan {
 public:
  // `max_gap`: how far two neighbours may lie apart and still agree, in
  // the unit of the timestamps added.
  explicit PlausibleSpan(uint64_t max_gap) : max_gap_(max_gap) {}

  // Adds the next timestamp in reading order. It agrees with the one before
  // it or, when that one is damaged, with the one before that.
  void Add(uint64_t timestamp) {
    std::optional<uint64_t> neighbour;
    if (count_ >= 1 && Distance(previous_, timestamp) <= max_gap_) {
      neighbour = previous_;
    } else if (count_ >= 2 && Distance(before_previous_, timestamp) <= max_gap_) {
      neighbour = before_previous_;
    }
    if (neighbour) {
      if (!agreed_) first_ = highest_ = *neighbour;
      agreed_ = true;
      highest_ = std::max({highest_, *neighbour, timestamp});
      last_ = timestamp;
    }
    before_previous_ = previous_;
    previous_ = timestamp;
    if (count_ < 2) ++count_;
  }

  // The first, the last and the highest timestamp that agree with a
  // neighbour; empty while no two neighbours agreed.
  std::optional<uint64_t> first() const { return Agreed(first_); }
  std::optional<uint64_t> last() const { return Agreed(last_); }
  std::optional<uint64_t> highest() const { return Agreed(highest_); }

 private:
  static uint64_t Distance(uint64_t a, uint64_t b) { return a > b ? a - b : b - a; }
  std::optional<uint64_t> Agreed(uint64_t value) const {
    return agreed_ ? std::optional<uint64_t>(value) : std::nullopt;
  }

  uint64_t max_gap_;
  int count_ = 0;  // timestamps added, up to 2
  bool agreed_ = false;
  uint64_t previous_ = 0;
  uint64_t before_previous_ = 0;
  uint64_t first_ = 0;
  uint64_t last_ = 0;
  uint64_t highest_ = 0;
};

}  // namespace brisca
