// The frames of one card recording, taken from a recording made by the
// sample generator (real H.264 pictures and voice): each stream frame's
// payload becomes a container frame, its millisecond timestamp microseconds.
#pragma once

#include "tools/card/evf_writer.h"
#include "tools/sample/sample_options.h"

namespace brisca::tools::card {

// Generates the recording `options` describe (damage options are not
// used). Throws a std::exception when encoding fails.
CardRecordingFrames GenerateCardRecording(const sample::SampleOptions& options);

}  // namespace brisca::tools::card
