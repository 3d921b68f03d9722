#pragma once

#include <QString>

#include <cstdint>
#include <vector>

#include "brisca/types/brisca_types.h"

// Cause bits of a recording's type field; several may be set.
inline constexpr uint32_t kTypeManual = 0x08;
inline constexpr uint32_t kTypeOverspeed = 0x10;
inline constexpr uint32_t kTypeEmergency = 0x20;
inline constexpr uint32_t kTypeDms = 0x40;

// One recording found by a search, copied by value.
//
// The end time continues past 24:00 when the recording runs past midnight
// (end hour 24 is 00 of the next day), so every comparison of start and
// end stays on one scale; the END cell shows the hour of the day.
struct FileListEntry {
  uint8_t year = 0;  // start year - 2000
  uint8_t month = 0;
  uint8_t day = 0;
  QString shortName;  // at most 255 characters
  uint8_t startHour = 0;
  uint8_t startMinute = 0;
  uint8_t startSecond = 0;
  uint8_t endHour = 0;  // 24..47 on the day after the start
  uint8_t endMinute = 0;
  uint8_t endSecond = 0;
  int32_t duration = 0;  // seconds
  uint32_t typeBits = 0;
  int32_t channel = 0;  // 1..8
  QString name;         // at most 511 characters; opens, exports, matches
};

// The entry of one listed record. An end on a later calendar day than the
// start (or an end in milliseconds past 24:00) moves the end hour past 24.
FileListEntry MakeFileListEntry(const RecFileParam& record);

// A calendar time to the second, as the time-window test compares it.
struct WindowTime {
  int year = 0;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// One comparable number for `time`, in units of 10 000 seconds; hours past
// 23 count into the next days.
double WindowValue(const WindowTime& time);

// True when the recording lies wholly inside [start, end]; one that only
// overlaps the window is left out.
bool InsideTimeWindow(const FileListEntry& entry, const WindowTime& start,
                      const WindowTime& end);

// True when `a` goes strictly before `b`: by date, start hour and minute,
// then start seconds 15 or more apart, else by channel. Not transitive
// across chains of near-equal start times.
bool EntryGoesBefore(const FileListEntry& a, const FileListEntry& b);

// Sorts by EntryGoesBefore with a merge sort, which stays within the list
// whatever the comparison answers.
void SortFileList(std::vector<FileListEntry>& entries);

// Appends the entries of `records[0..count)` that lie inside the window.
void CollectEntries(const RecFileParam* records, int count, const WindowTime& start,
                    const WindowTime& end, std::vector<FileListEntry>& out);
