// The recorder-disk format: the fixed-size records of the superblock, the
// date table, the segment tables and the time indexes, and their encoding.
// docs/recorder-disk-format.md describes every byte; all fields are
// little-endian and all offsets are absolute byte offsets in the image.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>

namespace tvfs {

inline constexpr std::array<uint8_t, 8> kMagic = {'C', 'R', 'V', 'N', 'D', 'I', 'S', 'K'};
// Version 2 widened the record type to a full byte of cause bits; version 1
// images (types 0-15) still mount.
inline constexpr uint32_t kFormatVersion = 2;
inline constexpr uint32_t kOldestFormatVersion = 1;

inline constexpr size_t kSuperblockSize = 64;
inline constexpr size_t kDateEntrySize = 24;
inline constexpr size_t kSegmentEntrySize = 64;
inline constexpr size_t kIndexEntrySize = 16;

// Limits that bound what a mount allocates, whatever the disk claims.
inline constexpr uint32_t kMaxDates = 100000;
inline constexpr uint32_t kMaxSegments = 1u << 20;
inline constexpr uint32_t kMaxIndexEntries = 1u << 20;
// Channels select bits of the query's channel mask.
inline constexpr uint8_t kMaxChannel = 31;
// Version 1 stored a type code that selected one bit of the 16-bit type mask.
inline constexpr uint8_t kMaxVersion1RecordType = 15;

// Record types are the recorder's cause bits; several may be set.
inline constexpr uint8_t kCauseManual = 0x08;
inline constexpr uint8_t kCauseOverspeed = 0x10;
inline constexpr uint8_t kCauseEmergency = 0x20;
inline constexpr uint8_t kCauseDms = 0x40;
// The type mask that lists every record type, whatever its bits.
inline constexpr uint16_t kAllTypes = 0xFFFF;

inline constexpr uint32_t kSecondsPerDay = 86400;

struct DiskDate {
  uint8_t year = 0;  // year - 2000
  uint8_t month = 0;
  uint8_t day = 0;

  auto operator<=>(const DiskDate&) const = default;
};

struct TimeOfDay {
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;

  uint32_t Seconds() const { return (hour * 60u + minute) * 60u + second; }
  static TimeOfDay FromSeconds(uint32_t seconds_of_day);
};

struct SegmentId {
  uint32_t disk = 0;
  std::array<uint32_t, 2> number{};

  bool operator==(const SegmentId&) const = default;
};

struct Superblock {
  uint32_t version = kFormatVersion;
  uint32_t disk_number = 0;
  uint64_t image_size = 0;  // bytes the writer wrote; the medium may be larger
  uint64_t date_table_offset = 0;
  uint32_t date_count = 0;
  uint32_t date_table_crc = 0;
  uint32_t segment_count = 0;  // over all dates
};

struct DateEntry {
  DiskDate date;
  uint32_t segment_count = 0;
  uint64_t table_offset = 0;
  uint32_t table_crc = 0;
};

struct SegmentEntry {
  TimeOfDay start;
  TimeOfDay end;  // earlier than start when the segment runs past midnight
  uint8_t channel = 0;
  uint8_t record_type = 0;  // cause bits, stored unchanged
  SegmentId id;
  uint32_t index_count = 0;
  uint64_t data_offset = 0;
  uint64_t data_size = 0;
  uint64_t index_offset = 0;
  uint32_t index_crc = 0;
};

struct IndexEntry {
  uint64_t offset = 0;  // byte offset of a frame start within the segment data
  uint32_t second = 0;  // seconds from midnight of the segment's date; may pass 86399

  bool operator==(const IndexEntry&) const = default;
};

bool IsValidDate(const DiskDate& date);
bool IsValidTime(const TimeOfDay& time);

// Whether a query's type mask selects `record_type`: kAllTypes selects
// every type; any other mask is a set of cause bits in its low byte and
// selects the types that share one of them.
bool TypeMaskSelects(uint16_t type_mask, uint8_t record_type);

// Days from 2000-01-01 to a valid date.
int64_t DayNumber(const DiskDate& date);

// Writes the 64-byte superblock including its CRC.
void EncodeSuperblock(const Superblock& superblock, uint8_t* out);

enum class SuperblockCheck {
  kOk,
  kNotOurs,  // magic wrong, or a version this reader does not know
  kCorrupt,  // CRC wrong
};
// Decodes 64 bytes at `in`.
SuperblockCheck DecodeSuperblock(const uint8_t* in, Superblock& out);

void EncodeDateEntry(const DateEntry& entry, uint8_t* out);
DateEntry DecodeDateEntry(const uint8_t* in);
void EncodeSegmentEntry(const SegmentEntry& entry, uint8_t* out);
SegmentEntry DecodeSegmentEntry(const uint8_t* in);
void EncodeIndexEntry(const IndexEntry& entry, uint8_t* out);
IndexEntry DecodeIndexEntry(const uint8_t* in);

}  // namespace tvfs
