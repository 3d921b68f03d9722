// The reader for a recording name of the listed source (listed_source.h),
// as the playback engine opens it.
#pragma once

#include <cstdint>
#include <memory>

#include "brisca/recordings/rec_file.h"

namespace brisca {

struct ListedReader {
  std::unique_ptr<CRecFile> reader;  // not yet opened; null when the source cannot be read
  // Units of the reader's timestamps in one millisecond: 1 for stream
  // readers, 1000 for the card reader's microseconds.
  uint64_t units_per_ms = 1;
};

// A name containing '/' is a stream file of this machine; a card source
// (card image or export folder) gives a card reader, with the card index
// holding that source and, for an image, the volume of the name's
// partition mounted (card_source.h); otherwise a segment reader of the
// mounted recorder disk, as before anything was listed. Call from any
// thread; the reader is then opened with `name`.
ListedReader MakeListedReader(const char* name);

}  // namespace brisca
