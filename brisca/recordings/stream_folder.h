// A folder of stream files as a local source: which of its files are
// recordings, and their listing.
#pragma once

#include <string>

#include "brisca/types/brisca_types.h"

namespace brisca {

// Files of a folder examined at most (in name order; sub-folders are not
// entered).
inline constexpr int kMostExaminedFiles = 10000;
// Bytes read from a file's start to decide whether it is a stream file.
inline constexpr size_t kStreamProbeBytes = 4096;

// True when the bytes at `data` start with a stream frame header whose
// items parse (the frame may run past `size`).
bool StartsLikeStream(const uint8_t* data, size_t size);

// Lists the regular files of `folder` that start like a stream and open as
// one (a key frame within the bytes the reader examines): records in name
// order, at most kMaxListedRecordings, name = the file's absolute path,
// start and end times from the first key frame's clock and the last video
// timestamp, start/end as milliseconds since midnight, channel = the stream
// byte (1 when 0), record type 0. The count with *list set to a malloc'ed
// array, or -1 with *list untouched when `folder` cannot be read or holds
// no stream file.
int ListStreamFolder(const std::string& folder, RecFileParam** list);

}  // namespace brisca
