// Listing a local source chosen by the operator (NVR_SetDir(path, 0)): the
// kind is told by the content, not by the name. This file lists card
// images, card export folders and folders of stream files; a file that is
// none of these may still be a recorder-disk image, which the disk manager
// lists with its own file system.
#pragma once

#include <optional>
#include <string>

#include "brisca/types/brisca_types.h"

namespace brisca {

// Lists `path`:
// - a folder holding "P_index00.bin" files: the card export folder;
// - another folder: its stream files (stream_folder.h);
// - a regular file or block device with a card's FAT volume: the card image.
// On success the count, *list set to a malloc'ed array (also for 0
// records; free with FreeFileParamArray), and the source becomes the
// listed source (listed_source.h). 1 with *list untouched when the path
// cannot be read or is a folder of neither kind; nothing when it is a file
// that holds no card, for the caller to try as a disk image. Paths are
// made absolute first.
std::optional<int> ListLocalSource(const std::string& path, RecFileParam** list);

}  // namespace brisca
