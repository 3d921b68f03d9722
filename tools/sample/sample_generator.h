// Composes a whole generated recording: pictures and voice encoded, GPS
// readings attached, frames interleaved by timestamp and written through the
// damaging output together with their ground truth.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "tools/sample/sample_options.h"
#include "tools/sample/stream_output.h"

namespace brisca::tools::sample {

struct SampleSummary {
  uint32_t video_frames = 0;
  uint32_t key_frames = 0;
  uint32_t audio_frames = 0;
  uint64_t voice_samples = 0;  // signal samples the audio frames cover
  uint32_t gps_fixes = 0;
  std::string start_text;  // "YYYY-MM-DD hh:mm:ss" of the first frame
  std::string end_text;    // start plus the duration
  OutputCounts output;
};

// Writes the recording described by `options` to `stream` and, when `truth`
// is not null, its ground-truth listing. Throws a std::exception when
// encoding or writing fails.
SampleSummary GenerateSample(const SampleOptions& options, std::ostream& stream,
                             std::ostream* truth);

}  // namespace brisca::tools::sample
