#pragma once

#include <cstdint>
#include <vector>

#include "corvane/search/file_list_entry.h"

// Record-type list of the search panel: rows 0..3 test one cause bit,
// row 4 is "All Types".
inline constexpr int kAllTypesIndex = 4;
inline constexpr uint32_t kTypeFilterBits[kAllTypesIndex] = {kTypeManual, kTypeEmergency,
                                                             kTypeOverspeed, kTypeDms};

// True when the file list pages through its full list: all types, all
// channels. Otherwise it pages through the filtered list.
inline bool ShowsFullList(int typeIndex, int channelIndex) {
  return typeIndex == kAllTypesIndex && channelIndex == 0;
}

// The filtered list for the record-type row and the channel (0 = all), in
// the full list's order; empty when the full list is shown.
std::vector<FileListEntry> FilterEntries(const std::vector<FileListEntry>& full, int typeIndex,
                                         int channelIndex);
