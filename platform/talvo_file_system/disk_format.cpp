#include "platform/talvo_file_system/disk_format.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/talvo_file_system/crc32c.h"

namespace tvfs {
namespace {

void Put32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

void Put64(uint8_t* out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get32(const uint8_t* in) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | in[i];
  return value;
}

uint64_t Get64(const uint8_t* in) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | in[i];
  return value;
}

constexpr size_t kSuperblockCrcOffset = 60;

}  // namespace

TimeOfDay TimeOfDay::FromSeconds(uint32_t seconds_of_day) {
  seconds_of_day %= kSecondsPerDay;
  return {static_cast<uint8_t>(seconds_of_day / 3600),
          static_cast<uint8_t>(seconds_of_day / 60 % 60),
          static_cast<uint8_t>(seconds_of_day % 60)};
}

bool IsValidDate(const DiskDate& date) {
  const std::chrono::year_month_day ymd{std::chrono::year{2000 + date.year},
                                        std::chrono::month{date.month},
                                        std::chrono::day{date.day}};
  return ymd.ok();
}

bool IsValidTime(const TimeOfDay& time) {
  return time.hour < 24 && time.minute < 60 && time.second < 60;
}

bool TypeMaskSelects(uint16_t type_mask, uint8_t record_type) {
  return type_mask == kAllTypes || (type_mask & record_type) != 0;
}

int64_t DayNumber(const DiskDate& date) {
  using namespace std::chrono;
  const sys_days day{year_month_day{year{2000 + date.year}, month{date.month}, std::chrono::day{date.day}}};
  const sys_days epoch{year_month_day{year{2000}, January, std::chrono::day{1}}};
  return (day - epoch).count();
}

void EncodeSuperblock(const Superblock& superblock, uint8_t* out) {
  std::memset(out, 0, kSuperblockSize);
  std::copy(kMagic.begin(), kMagic.end(), out);
  Put32(out + 8, superblock.version);
  Put32(out + 12, superblock.disk_number);
  Put64(out + 16, superblock.image_size);
  Put64(out + 24, superblock.date_table_offset);
  Put32(out + 32, superblock.date_count);
  Put32(out + 36, superblock.date_table_crc);
  Put32(out + 40, superblock.segment_count);
  Put32(out + kSuperblockCrcOffset, Crc32c(out, kSuperblockCrcOffset));
}

SuperblockCheck DecodeSuperblock(const uint8_t* in, Superblock& out) {
  if (!std::equal(kMagic.begin(), kMagic.end(), in)) return SuperblockCheck::kNotOurs;
  if (Crc32c(in, kSuperblockCrcOffset) != Get32(in + kSuperblockCrcOffset)) {
    return SuperblockCheck::kCorrupt;
  }
  out.version = Get32(in + 8);
  if (out.version < kOldestFormatVersion || out.version > kFormatVersion) {
    return SuperblockCheck::kNotOurs;
  }
  out.disk_number = Get32(in + 12);
  out.image_size = Get64(in + 16);
  out.date_table_offset = Get64(in + 24);
  out.date_count = Get32(in + 32);
  out.date_table_crc = Get32(in + 36);
  out.segment_count = Get32(in + 40);
  return SuperblockCheck::kOk;
}

void EncodeDateEntry(const DateEntry& entry, uint8_t* out) {
  std::memset(out, 0, kDateEntrySize);
  out[0] = entry.date.year;
  out[1] = entry.date.month;
  out[2] = entry.date.day;
  Put32(out + 4, entry.segment_count);
  Put64(out + 8, entry.table_offset);
  Put32(out + 16, entry.table_crc);
}

DateEntry DecodeDateEntry(const uint8_t* in) {
  DateEntry entry;
  entry.date = {in[0], in[1], in[2]};
  entry.segment_count = Get32(in + 4);
  entry.table_offset = Get64(in + 8);
  entry.table_crc = Get32(in + 16);
  return entry;
}

void EncodeSegmentEntry(const SegmentEntry& entry, uint8_t* out) {
  std::memset(out, 0, kSegmentEntrySize);
  out[0] = entry.start.hour;
  out[1] = entry.start.minute;
  out[2] = entry.start.second;
  out[3] = entry.end.hour;
  out[4] = entry.end.minute;
  out[5] = entry.end.second;
  out[6] = entry.channel;
  out[7] = entry.record_type;
  Put32(out + 8, entry.id.disk);
  Put32(out + 12, entry.id.number[0]);
  Put32(out + 16, entry.id.number[1]);
  Put32(out + 20, entry.index_count);
  Put64(out + 24, entry.data_offset);
  Put64(out + 32, entry.data_size);
  Put64(out + 40, entry.index_offset);
  Put32(out + 48, entry.index_crc);
}

SegmentEntry DecodeSegmentEntry(const uint8_t* in) {
  SegmentEntry entry;
  entry.start = {in[0], in[1], in[2]};
  entry.end = {in[3], in[4], in[5]};
  entry.channel = in[6];
  entry.record_type = in[7];
  entry.id.disk = Get32(in + 8);
  entry.id.number = {Get32(in + 12), Get32(in + 16)};
  entry.index_count = Get32(in + 20);
  entry.data_offset = Get64(in + 24);
  entry.data_size = Get64(in + 32);
  entry.index_offset = Get64(in + 40);
  entry.index_crc = Get32(in + 48);
  return entry;
}

void EncodeIndexEntry(const IndexEntry& entry, uint8_t* out) {
  std::memset(out, 0, kIndexEntrySize);
  Put64(out, entry.offset);
  Put32(out + 8, entry.second);
}

IndexEntry DecodeIndexEntry(const uint8_t* in) { return {Get64(in), Get32(in + 8)}; }

}  // namespace tvfs
