// What the image writer needs to know about a recording stream: its date,
// its first and last wall-clock time and the key frames to seek to.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "platform/talvo_file_system/disk_format.h"

namespace brisca::tools::disk {

struct StreamSurvey {
  tvfs::DiskDate date;     // of the first clock
  tvfs::TimeOfDay start;   // first clock seen
  tvfs::TimeOfDay end;     // last clock seen
  // Per second (from midnight of `date`) the first key frame carrying a
  // clock of that second; later clocks that go backwards are left out.
  std::vector<tvfs::IndexEntry> time_index;
  uint64_t size = 0;       // bytes of the stream
  uint32_t frames = 0;
  uint32_t key_frames = 0;
};

// Reads `in` to its end in bounded chunks and surveys its frames. Noise
// between frames is skipped as any stream reader skips it. Returns false
// with a reason when reading fails or no frame carries a clock.
bool SurveyStream(std::istream& in, StreamSurvey& survey, std::string& error);

}  // namespace brisca::tools::disk
