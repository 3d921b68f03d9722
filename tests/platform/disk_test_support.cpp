#include "tests/platform/disk_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "platform/talvo_file_system/crc32c.h"
#include "platform/talvo_file_system/day_query.h"
#include "platform/talvo_file_system/talvo_file_system.h"
#include "platform/talvo_file_system/tvfs_instance.h"
#include "tests/stream/stream_bytes.h"
#include "tools/disk/stream_segment.h"

namespace tvfs::testing {

using namespace std::chrono;
namespace sb = brisca::testing;

local_seconds At(int year, unsigned month, unsigned day, int hour, int minute, int second) {
  return local_days{year_month_day{std::chrono::year{year}, std::chrono::month{month},
                                   std::chrono::day{day}}} +
         hours{hour} + minutes{minute} + seconds{second};
}

MadeStream MakeStream(local_seconds start, int count, uint8_t stream_byte) {
  MadeStream made;
  for (int s = 0; s < count; ++s) {
    const local_seconds when = start + seconds{s};
    const local_days day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss time{when - day};
    const Bytes clock = sb::ClockItem(static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                                      static_cast<unsigned>(date.day()),
                                      static_cast<int>(time.hours().count()),
                                      static_cast<int>(time.minutes().count()),
                                      static_cast<int>(time.seconds().count()));
    const uint64_t ms = 1000000 + static_cast<uint64_t>(s) * 1000;
    made.key_offsets.push_back(made.bytes.size());
    const Bytes key = sb::Frame('2', sb::Concat({clock, sb::TimestampItem(ms)}),
                                sb::Payload(300, static_cast<uint8_t>(s)), stream_byte);
    const Bytes predicted = sb::Frame('3', sb::TimestampItem(ms + 500),
                                      sb::Payload(120, static_cast<uint8_t>(s + 1)), stream_byte);
    const Bytes audio = sb::Frame('4', {}, sb::Payload(80, static_cast<uint8_t>(s + 2)), stream_byte);
    made.bytes.insert(made.bytes.end(), key.begin(), key.end());
    made.bytes.insert(made.bytes.end(), predicted.begin(), predicted.end());
    made.bytes.insert(made.bytes.end(), audio.begin(), audio.end());
  }
  return made;
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tvfs-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), {}};
}

std::string BuildImage(const TempFolder& folder, const std::string& name, uint32_t disk_number,
                       const std::vector<StreamSegment>& segments) {
  DiskImageWriter writer(disk_number);
  for (size_t i = 0; i < segments.size(); ++i) {
    const std::string path = folder.File(name + "-stream-" + std::to_string(i));
    WriteFile(path, segments[i].stream.bytes);
    brisca::tools::disk::StreamSurvey survey;
    std::string error;
    if (!brisca::tools::disk::AddStreamFile(writer, segments[i].channel, segments[i].record_type,
                                            path, survey, error)) {
      ADD_FAILURE() << error;
    }
  }
  const std::string image = folder.File(name);
  WriteReport report;
  std::string error;
  if (!writer.Write(image, report, error)) ADD_FAILURE() << error;
  return image;
}

Superblock ImageEditor::superblock() const {
  Superblock superblock;
  DecodeSuperblock(bytes_.data(), superblock);
  return superblock;
}

void ImageEditor::set_superblock(const Superblock& superblock) {
  EncodeSuperblock(superblock, bytes_.data());
}

uint64_t ImageEditor::date_entry_offset(size_t index) const {
  return superblock().date_table_offset + index * kDateEntrySize;
}

uint64_t ImageEditor::segment_entry_offset(size_t date_index, size_t index) const {
  return date(date_index).table_offset + index * kSegmentEntrySize;
}

DateEntry ImageEditor::date(size_t index) const {
  return DecodeDateEntry(bytes_.data() + date_entry_offset(index));
}

void ImageEditor::set_date(size_t index, const DateEntry& entry) {
  EncodeDateEntry(entry, bytes_.data() + date_entry_offset(index));
}

SegmentEntry ImageEditor::segment(size_t date_index, size_t index) const {
  return DecodeSegmentEntry(bytes_.data() + segment_entry_offset(date_index, index));
}

void ImageEditor::set_segment(size_t date_index, size_t index, const SegmentEntry& entry) {
  EncodeSegmentEntry(entry, bytes_.data() + segment_entry_offset(date_index, index));
}

void ImageEditor::Reseal() {
  Superblock block = superblock();
  // Tables moved out of the image on purpose keep their old CRC.
  const auto inside = [&](uint64_t offset, uint64_t size) {
    return offset <= bytes_.size() && size <= bytes_.size() - offset;
  };
  for (size_t d = 0; d < block.date_count; ++d) {
    DateEntry entry = date(d);
    const uint64_t size = uint64_t{entry.segment_count} * kSegmentEntrySize;
    if (!inside(entry.table_offset, size)) continue;
    entry.table_crc = Crc32c(bytes_.data() + entry.table_offset, size);
    set_date(d, entry);
  }
  block.date_table_crc = Crc32c(bytes_.data() + block.date_table_offset, block.date_count * kDateEntrySize);
  set_superblock(block);
}

int MountBytes(const TempFolder& folder, const Bytes& bytes) {
  const std::string path = folder.File("mounted.img");
  WriteFile(path, bytes);
  const int handle = Tvfs_windows_CreateTvfs();
  char* names[10] = {};
  std::string name = path;
  names[0] = name.data();
  const int result = Tvfs_windows_mount(handle, 0, 1, names);
  Tvfs_windows_DeleteTvfs(handle);
  return result;
}

namespace {

void WalkSegment(int handle, const _fs_date_& date, const _stream_query_result_& result,
                 std::ostream& text, Walk& walk) {
  const int stream = Tvfs_windows_open_stream_segment(handle, &result.id, 0xFFFF, 0);
  if (stream < 0) {
    text << stream;
    return;
  }
  std::vector<uint8_t> buffer(4096);
  uint32_t crc = 0;
  int got = 0;
  while ((got = Tvfs_windows_read_video_data(handle, stream, buffer.data(),
                                             static_cast<int>(buffer.size()), nullptr)) > 0) {
    crc = Crc32c(buffer.data(), static_cast<size_t>(got), crc);
  }
  if (got < 0) {
    text << 'r' << got;
  } else {
    walk.data_crcs.push_back(crc);
    const _fs_date_time_ when{date.year,           date.month,           date.day,
                              result.start_hour,   result.start_minute,  result.start_second,
                              {0, 0}};
    text << (Tvfs_windows_seek_stream_segment(handle, stream, &when, 0) == 0 ? 'o' : 'i');
  }
  Tvfs_windows_close_stream_segment(handle, stream);
}

Walk WalkMounted(int handle) {
  Walk walk;
  std::ostringstream text;
  text << '0';
  _fs_date_* dates = nullptr;
  int date_count = 0;
  if (const int error = Tvfs_windows_get_record_date_list2(handle, &dates, &date_count)) {
    text << " dates " << error;
    walk.text = text.str();
    return walk;
  }
  for (int d = 0; d < date_count; ++d) {
    text << " | " << int{dates[d].day} << ": ";
    _stream_query_ query = WholeDayQuery(dates[d], 100);
    query.channel_mask = 0xFFFFFFFF;
    const int query_handle = Tvfs_windows_get_query_stream_segment_handle(handle, &query);
    if (query_handle < 0) {
      text << query_handle;
      continue;
    }
    std::vector<_stream_query_result_> results(100);
    int count = 100;
    Tvfs_windows_query_stream_segment(handle, query_handle, STREAM_QUERY_LIST, &count,
                                      results.data());
    Tvfs_windows_release_query_stream_segment_handle(handle, query_handle);
    for (int i = 0; i < count; ++i) WalkSegment(handle, dates[d], results[i], text, walk);
  }
  Tvfs_windows_release_record_date_list2(dates);
  walk.text = text.str();
  return walk;
}

}  // namespace

Walk WalkImage(const TempFolder& folder, const Bytes& bytes) {
  const std::string path = folder.File("walked.img");
  WriteFile(path, bytes);
  const int handle = Tvfs_windows_CreateTvfs();
  std::string name = path;
  char* names[10] = {};
  names[0] = name.data();
  const int result = Tvfs_windows_mount(handle, 0, 1, names);
  Walk walk = result == 0 ? WalkMounted(handle) : Walk{std::to_string(result), {}};
  Tvfs_windows_DeleteTvfs(handle);
  return walk;
}

bool ShowsOnlyErrors(std::string walk, const std::vector<std::string>& errors) {
  for (const std::string& error : errors) {
    for (size_t at; (at = walk.find(error)) != std::string::npos;) walk.erase(at, error.size());
  }
  return walk.find('-') == std::string::npos;
}

Walk WalkSource(std::shared_ptr<const ByteSource> source) {
  const int handle = Tvfs_windows_CreateTvfs();
  const int result = MountSource(handle, std::move(source));
  Walk walk = result == 0 ? WalkMounted(handle) : Walk{std::to_string(result), {}};
  Tvfs_windows_DeleteTvfs(handle);
  return walk;
}

}  // namespace tvfs::testing
