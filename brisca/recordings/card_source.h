// An SD-card image or a card export folder as the listed source: listing
// it through the card index, and making the card index (one per process,
// shared with the JV_ exports) hold it again before one of its recordings
// is opened.
//
// Threads: each call holds CardVolumeLock() throughout.
#pragma once

#include <string>

#include "brisca/types/brisca_types.h"

namespace brisca {

// Lists the card image (mode kCardVolumeMode) or export folder
// (kCardFolderMode) at `path`: the record count, at most
// kMaxListedRecordings, with *list set to a malloc'ed array (also for 0
// records; free with FreeFileParamArray); -1 with *list untouched when the
// image holds no card or no index of it can be read.
int ListCardSource(const std::string& path, int mode, RecFileParam** list);

// Makes the card index hold the tables of `path` (read again when another
// card or folder was listed or probed since) and, for a card image, the
// volume of recording `name`'s partition mounted (left as it is when it
// already is; `name` may be null for no partition). False when the source
// cannot be read or `name` is no card recording name.
bool ReadyCardSource(const std::string& path, int mode, const char* name);

// Unmounts the card volume, whichever partition holds it.
void UnmountCardSource();

}  // namespace brisca
