// Writes serialised frames to the stream file, applies the requested damage
// and keeps the ground-truth listing in step with what a reader can find.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/sample/sample_random.h"

namespace brisca::tools::sample {

struct DamageSettings {
  uint32_t noise_every = 0;  // noise before every N-th frame; 0: none
  uint32_t tear_every = 0;   // every N-th frame but the first is torn; 0: none
  bool truncate_end = false;  // the last frame loses its second half
  uint64_t seed = 1;
};

struct OutputCounts {
  uint64_t bytes = 0;
  uint32_t frames = 0;       // frames handed in
  uint32_t torn = 0;
  uint32_t noise_runs = 0;
};

class StreamOutput {
 public:
  // `stream` and `truth` (null: no listing) must outlive the object.
  StreamOutput(std::ostream& stream, std::ostream* truth,
               const DamageSettings& settings);

  // Takes the next frame and the listing lines ("...\n") that describe it
  // when it arrives whole. The frame is held back until the next call or
  // Finish, because only then is it known whether it is the last one.
  void Put(std::vector<uint8_t> frame, std::string truth_lines);

  // Writes the held frame and flushes. Throws std::runtime_error when a
  // write failed.
  void Finish();

  const OutputCounts& counts() const { return counts_; }

 private:
  void Write(const std::vector<uint8_t>& frame, const std::string& truth_lines,
             bool last);
  void WriteBytes(const uint8_t* data, size_t size);

  std::ostream& stream_;
  std::ostream* truth_;
  DamageSettings settings_;
  SampleRandom random_;
  OutputCounts counts_;
  bool holding_ = false;
  std::vector<uint8_t> held_frame_;
  std::string held_truth_;
};

}  // namespace brisca::tools::sample
