// A presentation target in memory for the tests, the benchmarks and the
// headless `brisca play`: it counts the pictures it is handed and notes
// each, and can keep a copy of the last, as a window's back buffer would.
// Presents come from a channel's worker while the caller reads from its
// own thread, so everything it notes is behind one mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "brisca/types/brisca_types.h"

namespace brisca::testing {

// One accepted picture as it was handed over, and when it arrived. Its
// pointers are the presenter's and valid only during the present call:
// they are kept to be compared, never to be read.
struct Presented : BR_PICTURE {
  double tick = 0;  // the target's clock when the present call began; 0 without one
};

class MemoryTarget {
 public:
  struct Options {
    unsigned formats = 1u << BR_PIXFMT_I420;
    // Copies the planes and the overlay of the last accepted picture.
    bool keep_pixels = false;
    // Milliseconds, read first thing in each present so that the target's
    // own work does not count as lateness.
    std::function<double()> clock = nullptr;
  };

  MemoryTarget();  // I420, nothing copied, no clock
  explicit MemoryTarget(Options options);
  MemoryTarget(const MemoryTarget&) = delete;
  MemoryTarget& operator=(const MemoryTarget&) = delete;

  BR_VIDEO_TARGET* target() { return &target_; }

  // Called on the presenting thread after each accepted picture is noted,
  // outside the target's lock.
  void OnPresent(std::function<void(const Presented&)> call);
  // Presents made while forbidden are counted apart, as well as counted
  // and noted as usual: for "nothing is presented after ..." checks.
  void ForbidPresents();
  void AllowPresents();

  // Every present call, refused and forbidden ones included.
  size_t presents() const;
  // Pictures in a format the target does not take, or without their planes.
  size_t refused() const;
  size_t forbidden_presents() const;
  // The accepted pictures in order, and those whose timestamp differs from
  // the one before (a refresh presents the same frame again).
  std::vector<Presented> presented() const;
  std::vector<Presented> distinct() const;
  // The last accepted picture; all zero before the first.
  Presented last() const;
  // With keep_pixels, the last accepted picture's planes, their rows packed
  // plane after plane, and its overlay (width * height * 4 bytes) or
  // nothing when it had none.
  std::vector<uint8_t> pixels() const;
  std::vector<uint8_t> overlay() const;
  // With keep_pixels, the thread CPU time spent in present calls: what
  // keeping the copies cost the presenting threads. 0 without.
  double cpu_seconds() const;

 private:
  static void Present(BR_VIDEO_TARGET* target, const BR_PICTURE* picture);
  bool Accepts(const BR_PICTURE* picture) const;
  void Keep(const BR_PICTURE& picture);

  BR_VIDEO_TARGET target_{};
  const bool keep_pixels_;
  const std::function<double()> clock_;

  mutable std::mutex mutex_;
  // Guarded by mutex_:
  std::function<void(const Presented&)> on_present_;
  bool forbidden_ = false;
  size_t presents_ = 0;
  size_t refused_ = 0;
  size_t forbidden_presents_ = 0;
  std::vector<Presented> presented_;
  std::vector<uint8_t> pixels_;
  std::vector<uint8_t> overlay_;
  double cpu_seconds_ = 0;
};

}  // namespace brisca::testing
