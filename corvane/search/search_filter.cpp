#include "corvane/search/search_filter.h"

std::vector<FileListEntry> FilterEntries(const std::vector<FileListEntry>& full, int typeIndex,
                                         int channelIndex) {
  std::vector<FileListEntry> filtered;
  if (ShowsFullList(typeIndex, channelIndex)) return filtered;
  const bool anyType = typeIndex < 0 || typeIndex >= kAllTypesIndex;
  for (const FileListEntry& entry : full) {
    if (!anyType && (entry.typeBits & kTypeFilterBits[typeIndex]) == 0) continue;
    if (channelIndex != 0 && entry.channel != channelIndex) continue;
    filtered.push_back(entry);
  }
  return filtered;
}
