// Recording stream files as segments of a disk image.
#pragma once

#include <cstdint>
#include <string>

#include "platform/talvo_file_system/disk_image_writer.h"
#include "tools/disk/stream_survey.h"

namespace brisca::tools::disk {

// Surveys the stream file at `path` and queues it on `writer` as a segment
// of `channel` (0-based) and `record_type`. The file is read again, in
// chunks, when the image is written. Returns false with a reason.
bool AddStreamFile(tvfs::DiskImageWriter& writer, uint8_t channel, uint8_t record_type,
                   const std::string& path, StreamSurvey& survey, std::string& error);

}  // namespace brisca::tools::disk
