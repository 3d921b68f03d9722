// The generator's ground truth: the listing lines a correct reader produces
// for the frames written, built from the generator's own values.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "brisca/recordings/rec_frame.h"
#include "brisca/stream/info_record.h"
#include "brisca/stream/stream_frame.h"
#include "tools/sample/gps_route.h"

namespace brisca::tools::sample {

// The telemetry record a reader derives from a video frame that carries
// `gps` and, when present, the wall clock `clock`.
InfoRecord MakeInfoRecord(const std::optional<WallClock>& clock,
                          const GpsReading& gps);

// One listing line for a frame, ending in "\n".
std::string TruthLine(FrameKind kind, uint64_t timestamp,
                      std::span<const uint8_t> data);

// The FRAME_INFO line of `info`, ending in "\n".
std::string TruthLine(uint64_t timestamp, const InfoRecord& info);

}  // namespace brisca::tools::sample
