#include "corvane/playback/channel_assignment.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kSearchReach = 8;     // entries looked at on each side
constexpr int kShortestSeconds = 5;  // shorter recordings never join
constexpr int kEarlyStartSeconds = 59;
constexpr int kNameLength = 259;

// Searches per opened channel: +c looks forward for channel c, -c back.
// The nearest channels come first; the forward half first for channel 1,
// whose partners all lie after it in channel order.
constexpr int kSearchOrder[kChannelSlots][14] = {
    {2, 3, 4, 5, 6, 7, 8, -8, -7, -6, -5, -4, -3, -2},
    {-1, 3, 4, 5, 6, 7, 8, 1, -4, -3, -5, -6, -7, -8},
    {-2, -1, 4, 1, 2, 5, 6, 7, 8, -4, -5, -6, -7, -8},
    {-3, -2, -1, -5, -6, -7, -8, 1, 2, 3, 5, 6, 7, 8},
    {-3, -2, -1, -4, -6, -7, -8, 1, 2, 3, 4, 6, 7, 8},
    {-3, -2, -1, -4, -5, -7, -8, 1, 2, 3, 4, 5, 7, 8},
    {-3, -2, -1, -4, -5, -6, -8, 1, 2, 3, 4, 5, 6, 8},
    {-3, -2, -1, -4, -5, -7, -6, 1, 2, 3, 4, 5, 7, 6},
};

bool SameDay(const FileListEntry& a, const FileListEntry& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

// The first character of a name is the disk or drive it came from.
bool SameSource(const FileListEntry& a, const FileListEntry& b) {
  return a.name.left(1) == b.name.left(1);
}

bool Joinable(const FileListEntry& candidate, const FileListEntry& opened, int channel) {
  return candidate.channel == channel &&
         EndSecondOfDay(candidate) - StartSecondOfDay(candidate) >= kShortestSeconds &&
         SameDay(candidate, opened) && SameSource(candidate, opened);
}

// A forward candidate starts at most a minute before the opened entry and
// before it ends; one starting exactly at its end joins only when it ends
// within five seconds of that.
int SearchForward(const std::vector<FileListEntry>& list, int index, int channel) {
  const FileListEntry& opened = list[static_cast<size_t>(index)];
  const int start = StartSecondOfDay(opened);
  const int end = EndSecondOfDay(opened);
  const int last = std::min(index + kSearchReach, static_cast<int>(list.size()) - 1);
  for (int j = index + 1; j <= last; ++j) {
    const FileListEntry& candidate = list[static_cast<size_t>(j)];
    const int candidateStart = StartSecondOfDay(candidate);
    if (candidateStart - start < -kEarlyStartSeconds) continue;
    if (!(candidateStart < end ||
          (candidateStart == end && EndSecondOfDay(candidate) - end < kShortestSeconds)))
      continue;
    if (Joinable(candidate, opened, channel)) return j;
  }
  return -1;
}

// A backward candidate ends after the opened entry starts.
int SearchBackward(const std::vector<FileListEntry>& list, int index, int channel) {
  const FileListEntry& opened = list[static_cast<size_t>(index)];
  const int start = StartSecondOfDay(opened);
  const int first = std::max(index - kSearchReach, 0);
  for (int i = index - 1; i >= first; --i) {
    const FileListEntry& candidate = list[static_cast<size_t>(i)];
    if (EndSecondOfDay(candidate) > start && Joinable(candidate, opened, channel)) return i;
  }
  return -1;
}

// Recordings whose name carries the same time twice (third and fourth
// fields of the short name) have no end of their own: they compete by
// their start.
bool ComparesByStart(const FileListEntry& entry) {
  const QStringList fields = entry.shortName.split(QLatin1Char('-'));
  if (fields.size() < 4) return false;
  return fields[2].left(6) == fields[3].left(6);
}

}  // namespace

int StartSecondOfDay(const FileListEntry& entry) {
  return entry.startHour * 3600 + entry.startMinute * 60 + entry.startSecond;
}

int EndSecondOfDay(const FileListEntry& entry) {
  return entry.endHour * 3600 + entry.endMinute * 60 + entry.endSecond;
}

int ChannelAssignment::Count() const {
  int count = 0;
  for (int e : entry) count += e >= 0;
  return count;
}

int ChannelAssignment::HighestSlot() const {
  for (int k = kChannelSlots; k > 0; --k)
    if (entry[static_cast<size_t>(k - 1)] >= 0) return k;
  return 0;
}

ChannelAssignment AssignChannels(const std::vector<FileListEntry>& list, int index) {
  ChannelAssignment result;
  if (index < 0 || index >= static_cast<int>(list.size())) return result;
  const FileListEntry& opened = list[static_cast<size_t>(index)];
  const int channel = opened.channel;
  if (channel < 1 || channel > kChannelSlots) return result;

  result.entry[static_cast<size_t>(channel - 1)] = index;
  for (int search : kSearchOrder[channel - 1]) {
    const int target = std::abs(search);
    int& slot = result.entry[static_cast<size_t>(target - 1)];
    if (slot >= 0) continue;
    slot = search > 0 ? SearchForward(list, index, target) : SearchBackward(list, index, target);
  }

  // The earliest start among the chosen recordings fixes the time origin;
  // the opened entry wins ties.
  int originIndex = index;
  for (int k = 0; k < kChannelSlots; ++k) {
    const int e = result.entry[static_cast<size_t>(k)];
    if (k == channel - 1 || e < 0) continue;
    if (StartSecondOfDay(list[static_cast<size_t>(e)]) <
        StartSecondOfDay(list[static_cast<size_t>(originIndex)]))
      originIndex = e;
  }
  const FileListEntry& origin = list[static_cast<size_t>(originIndex)];
  result.origin = {origin.startHour, origin.startMinute, origin.startSecond,
                   origin.endHour,   origin.endMinute,   origin.endSecond};

  for (int k = 0; k < kChannelSlots; ++k) {
    const int e = result.entry[static_cast<size_t>(k)];
    result.active[static_cast<size_t>(k)] = e >= 0;
    if (e >= 0) result.name[static_cast<size_t>(k)] = list[static_cast<size_t>(e)].name.left(kNameLength);
  }
  return result;
}

int ChooseSyncChannel(const std::vector<FileListEntry>& list, const ChannelAssignment& assignment) {
  const auto entryOf = [&](int k) -> const FileListEntry* {
    const int e = assignment.entry[static_cast<size_t>(k)];
    if (!assignment.active[static_cast<size_t>(k)] || e < 0 || e >= static_cast<int>(list.size()))
      return nullptr;
    return &list[static_cast<size_t>(e)];
  };
  int chosen = -1;
  for (int k = kChannelSlots - 1; k >= 0 && chosen < 0; --k)
    if (entryOf(k)) chosen = k;
  if (chosen < 0) return -1;

  const bool byStart = ComparesByStart(*entryOf(chosen));
  const auto basis = [&](const FileListEntry& e) {
    return byStart ? StartSecondOfDay(e) : EndSecondOfDay(e);
  };
  int best = basis(*entryOf(chosen));
  const int highest = chosen;
  for (int k = 0; k < kChannelSlots; ++k) {
    const FileListEntry* entry = entryOf(k);
    if (k == highest || !entry) continue;
    if (best < basis(*entry)) {
      best = basis(*entry);
      chosen = k;
    }
  }
  return chosen;
}

QString TotalTimeText(const TimeOrigin& origin) {
  int seconds = origin.endSecond - origin.startSecond;
  int minutes = (origin.endHour - origin.startHour) * 60 + origin.endMinute - origin.startMinute;
  if (origin.endSecond < origin.startSecond) {
    seconds += 60;
    minutes -= 1;
  }
  return QString::asprintf(" / %02d:%02d", minutes, seconds);
}
