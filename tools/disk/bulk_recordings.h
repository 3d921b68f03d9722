// Many tiny recordings for benchmark disks: one 64x64 key frame is encoded
// once and every recording repeats it under its own clocks, so a disk of
// ten thousand recordings is written in seconds.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/talvo_file_system/disk_image_writer.h"

namespace brisca::tools::disk {

inline constexpr uint32_t kMaxBulkRecordings = 100000;
// Four channels start together every three minutes from 00:01:00.
inline constexpr uint32_t kBulkChannels = 4;
inline constexpr uint32_t kBulkGroupsPerDay = 480;

// Queues `count` (1 to kMaxBulkRecordings) recordings of 2 s on `writer`,
// kBulkChannels * kBulkGroupsPerDay per date on consecutive dates that end
// with `last_day`; the groups take the demo's cause bits in turn. The same
// options give the same recordings. Returns false with a reason when a date
// falls outside 2000-2255 or the key frame cannot be encoded.
bool AddBulkRecordings(tvfs::DiskImageWriter& writer, uint32_t count,
                       std::chrono::year_month_day last_day, uint64_t seed, std::string& error);

}  // namespace brisca::tools::disk
