#pragma once

#include <QString>

#include <array>
#include <vector>

#include "corvane/search/file_list_entry.h"

// Which recordings of the shown list play together with an opened entry.
// A recorder writes one recording per camera, so the other cameras of the
// same moment are separate entries lying near the opened one in the sorted
// list; this finds them, fixes the time origin of the time display and
// picks the synchronising channel again when a channel ends.

inline constexpr int kChannelSlots = 8;

// Hours, minutes and seconds of the entry that fixes the time display; the
// end hour continues past 24 for a recording that runs past midnight.
struct TimeOrigin {
  int startHour = 0;
  int startMinute = 0;
  int startSecond = 0;
  int endHour = 0;
  int endMinute = 0;
  int endSecond = 0;
};

// The channel slots an entry fills; slot k is channel k + 1.
struct ChannelAssignment {
  std::array<int, kChannelSlots> entry;      // index in the shown list, or -1
  std::array<bool, kChannelSlots> active{};  // holds an entry not yet ended
  std::array<int, kChannelSlots> window;     // video window number of the slot (k + 1)
  std::array<QString, kChannelSlots> name;   // recording to open; empty for none
  TimeOrigin origin;

  ChannelAssignment() {
    entry.fill(-1);
    for (int k = 0; k < kChannelSlots; ++k) window[static_cast<size_t>(k)] = k + 1;
  }
  int Count() const;
  // 1-based number of the highest slot holding an entry; 0 for none.
  int HighestSlot() const;
};

// Seconds from the start of the entry's day; its end continues past 24:00.
int StartSecondOfDay(const FileListEntry& entry);
int EndSecondOfDay(const FileListEntry& entry);

// The recordings of every channel that belong to entry `index` of `list`:
// its own channel takes it, and each other channel the first recording
// found by that channel's searches, in the order the opened channel
// dictates. An entry whose channel is not 1..8, or an index outside the
// list, fills no slot.
ChannelAssignment AssignChannels(const std::vector<FileListEntry>& list, int index);

// The slot that becomes the synchronising channel once a channel has
// ended: among the active slots, the one whose entry ends last (or, for
// recordings whose name gives one time for start and end, starts last).
// Every active slot takes part, whatever the list's length; slots whose
// entry is not in the list are passed over. -1 when no slot qualifies.
int ChooseSyncChannel(const std::vector<FileListEntry>& list, const ChannelAssignment& assignment);

// The origin's length as the time display's total: " / MM:SS".
QString TotalTimeText(const TimeOrigin& origin);
