// The frame listing printed by `brisca frames` and written as ground truth by
// the sample generator. One line per RecFrame, tab-separated:
//   kind  timestamp  length  md5-of-data
// and for FRAME_INFO additionally
//   date-time  fix  speed-km/h  latitude  longitude  heading
// Scripts and golden files depend on this format: keep it stable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "brisca/recordings/rec_frame.h"
#include "brisca/stream/info_record.h"

namespace brisca::tools {

// Lower-case hex MD5 of `size` bytes.
std::string Md5Hex(const uint8_t* data, size_t size);

// One listing line without the line break. FRAME_INFO data of 48 bytes is
// decoded as an InfoRecord for the telemetry columns.
std::string FormatFrameLine(FrameKind kind, uint64_t timestamp,
                            const uint8_t* data, size_t length);

}  // namespace brisca::tools
