#include "corvane/search/file_list_entry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kShortNameLength = 255;
constexpr int kNameLength = 511;
constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from the start's calendar date to the end's, 0 or 1 for the
// recordings a recorder writes; anything else is treated as the same day.
int DaysAfterStart(const BR_SYSTEMTIME& start, const BR_SYSTEMTIME& end) {
  if (start.year == end.year && start.month == end.month && start.day == end.day) return 0;
  WindowTime next{start.year, start.month, start.day, 24, 0, 0};
  WindowTime last{end.year, end.month, end.day, 0, 0, 0};
  // Values a second apart differ by 0.0001; half of that absorbs rounding.
  return std::abs(WindowValue(next) - WindowValue(last)) < 0.00005 ? 1 : 0;
}

uint8_t Byte(int value) { return static_cast<uint8_t>(value); }

}  // namespace

double WindowValue(const WindowTime& time) {
  const int years = time.year - 2001;
  const int month = std::clamp(time.month, 1, 12);
  int daysBefore = kDaysBeforeMonth[month - 1];
  if (month >= 3 && IsLeapYear(time.year)) ++daysBefore;
  return years * 3153.6 + (years / 4) * 8.64 + daysBefore * 8.64 + time.day * 8.64 +
         time.hour * 0.36 + time.minute * 0.006 + time.second * 0.0001;
}

FileListEntry MakeFileListEntry(const RecFileParam& record) {
  FileListEntry entry;
  entry.year = Byte(record.start_time.year - 2000);
  entry.month = Byte(record.start_time.month);
  entry.day = Byte(record.start_time.day);
  const QString name = QString::fromUtf8(record.name, static_cast<int>(strnlen(record.name, sizeof record.name)));
  entry.shortName = name.left(kShortNameLength);
  entry.name = name.left(kNameLength);
  entry.startHour = Byte(record.start_time.hour);
  entry.startMinute = Byte(record.start_time.minute);
  entry.startSecond = Byte(record.start_time.second);
  entry.endHour = Byte(record.end_time.hour + 24 * DaysAfterStart(record.start_time, record.end_time));
  entry.endMinute = Byte(record.end_time.minute);
  entry.endSecond = Byte(record.end_time.second);
  entry.duration = record.duration_ms / 1000;
  entry.typeBits = static_cast<uint32_t>(record.record_type);
  entry.channel = record.channel;
  return entry;
}

bool InsideTimeWindow(const FileListEntry& entry, const WindowTime& start, const WindowTime& end) {
  const int year = entry.year + 2000;
  const WindowTime from{year, entry.month, entry.day, entry.startHour, entry.startMinute,
                        entry.startSecond};
  const WindowTime to{year, entry.month, entry.day, entry.endHour, entry.endMinute,
                      entry.endSecond};
  return WindowValue(start) <= WindowValue(from) && WindowValue(to) <= WindowValue(end);
}

bool EntryGoesBefore(const FileListEntry& a, const FileListEntry& b) {
  const int keysA[5] = {a.year, a.month, a.day, a.startHour, a.startMinute};
  const int keysB[5] = {b.year, b.month, b.day, b.startHour, b.startMinute};
  for (int i = 0; i < 5; ++i) {
    if (keysA[i] != keysB[i]) return keysA[i] < keysB[i];
  }
  const int d = a.startSecond - b.startSecond;
  if (d <= -15) return true;
  if (d >= 15) return false;
  return a.channel < b.channel;
}

void SortFileList(std::vector<FileListEntry>& entries) {
  // Bottom-up merge: every index it touches comes from the run bounds, not
  // from the comparison, so an order that is not transitive cannot lead it
  // outside the list.
  const size_t n = entries.size();
  std::vector<FileListEntry> buffer(n);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t left = 0; left < n; left += 2 * width) {
      const size_t middle = std::min(left + width, n);
      const size_t right = std::min(left + 2 * width, n);
      size_t i = left;
      size_t j = middle;
      size_t k = left;
      while (i < middle && j < right) {
        // Equal entries keep their order: take from the right run only when
        // it goes strictly first.
        buffer[k++] = EntryGoesBefore(entries[j], entries[i]) ? entries[j++] : entries[i++];
      }
      while (i < middle) buffer[k++] = entries[i++];
      while (j < right) buffer[k++] = entries[j++];
    }
    entries.swap(buffer);
  }
}

void CollectEntries(const RecFileParam* records, int count, const WindowTime& start,
                    const WindowTime& end, std::vector<FileListEntry>& out) {
  for (int i = 0; i < count; ++i) {
    FileListEntry entry = MakeFileListEntry(records[i]);
    if (InsideTimeWindow(entry, start, end)) out.push_back(std::move(entry));
  }
}
