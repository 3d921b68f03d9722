// The generated demo card behind `brisca sample card`: per partition an
// index "index00.bin" whose file ring wraps around and whose newest files are
// still open (named by channel descriptors only), and evf containers
// "flyFFFFF.evf" holding real generated recordings one after another.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/card/evf_writer.h"
#include "tools/sample/sample_options.h"

namespace brisca::tools::card {

struct SampleCardOptions {
  int partitions = 1;        // 1-4
  uint32_t files = 4;        // containers per partition, 1-200
  uint32_t recordings = 2;   // recordings per container, 1-256
  uint32_t channels = 2;     // 1-32; file i records on channel i % channels + 1
  uint32_t open_files = 1;   // newest files only in descriptors; at most channels
  uint32_t seconds = 4;      // length of each recording
  uint32_t block_frames = 3000;  // video entries per index block
  uint16_t width = 352;
  uint16_t height = 288;
  uint8_t fps = 25;
  uint64_t seed = 1;
  std::chrono::local_seconds start =
      std::chrono::local_days{std::chrono::year{2026} / 3 / 7} + std::chrono::hours{8};
  bool folder_mode = false;  // "P_index00.bin", "P_flyFFFFF.evf" in one folder
};

struct SampleCardRecording {
  std::string name;  // "P\F\S"
  uint8_t channel = 0;
  uint8_t record_type = 0;
  uint32_t start_seconds = 0;
  uint32_t end_seconds = 0;
  CardRecordingFrames frames;  // filled when asked for
};

// Writes the files of every partition: in card mode into `folder`/p0,
// `folder`/p1, ... (created), in folder mode into `folder` itself. Returns
// the recordings in name order of partition, file and slot; their frames
// only when `keep_frames`. Throws std::exception on a failure or bad options.
std::vector<SampleCardRecording> WriteSampleCardFiles(const SampleCardOptions& options,
                                                      const std::string& folder, bool keep_frames);

// The folder that WriteSampleCardFiles fills for partition `p` in card mode.
std::string PartitionFolder(const std::string& folder, int p);

}  // namespace brisca::tools::card
