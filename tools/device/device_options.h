// Options of `brisca sample device OUT` and their parser: the picture,
// sound, route and time options of `brisca sample stream`, and those of
// the device file itself.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/sample/sample_options.h"

namespace brisca::tools::device {

struct DeviceOptions {
  sample::SampleOptions stream;  // output_path is the device file
  std::string device_type = "KVR_REC_40XX";
  uint32_t info_rate = 1;    // telemetry blocks a second besides key frames; 0: key frames only
  bool no_info = false;      // no telemetry block at all
  uint8_t audio_type = 2;    // 2 or 3: audio chunk identifiers and header byte 58
  bool data_end = false;     // write the end of the data into the header
  std::array<std::string, 4> texts;  // header text fields A-D
  uint32_t reuse_video_seconds = 0;  // 0: encode every picture
};

// Parses the arguments after "sample": argv[0] is "device", argv[1] the
// output path. Nothing, with a one-line reason in `error`, when an option is
// unknown, lacks its value or is out of range.
std::optional<DeviceOptions> ParseDeviceOptions(int argc, char** argv, std::string& error);

const char* DeviceUsage();

}  // namespace brisca::tools::device
