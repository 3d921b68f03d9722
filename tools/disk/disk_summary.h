// The summary the disk commands print after writing an image.
#pragma once

#include <cstdio>
#include <string>

#include "platform/talvo_file_system/disk_image_writer.h"

namespace brisca::tools::disk {

// One line for the image, then one per segment in list order, with the
// segment's recording name "disk\date\number".
void PrintDiskSummary(std::FILE* out, const std::string& path, uint32_t disk_number,
                      const tvfs::WriteReport& report);

}  // namespace brisca::tools::disk
