// The C interface over images written by the image writer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/talvo_file_system/day_query.h"
#include "platform/talvo_file_system/talvo_file_system.h"
#include "tests/platform/disk_test_support.h"

namespace tvfs::testing {
namespace {

// An instance with `path` mounted, deleted at the end of the test.
class MountedDisk {
 public:
  explicit MountedDisk(const std::string& path) : handle_(Tvfs_windows_CreateTvfs()) {
    std::string name = path;
    char* names[10] = {};
    names[0] = name.data();
    mount_result_ = Tvfs_windows_mount(handle_, 0, 1, names);
  }
  ~MountedDisk() { Tvfs_windows_DeleteTvfs(handle_); }
  MountedDisk(const MountedDisk&) = delete;
  MountedDisk& operator=(const MountedDisk&) = delete;

  int handle() const { return handle_; }
  int mount_result() const { return mount_result_; }

  std::vector<_fs_date_> Dates() const {
    _fs_date_* list = nullptr;
    int count = -1;
    EXPECT_EQ(Tvfs_windows_get_record_date_list2(handle_, &list, &count), 0);
    std::vector<_fs_date_> dates(list, list + count);
    EXPECT_EQ(Tvfs_windows_release_record_date_list2(list), 0);
    return dates;
  }

  std::vector<_stream_query_result_> Query(_stream_query_ query, int room = 10000) const {
    const int handle = Tvfs_windows_get_query_stream_segment_handle(handle_, &query);
    EXPECT_GE(handle, 0);
    std::vector<_stream_query_result_> results(static_cast<size_t>(room));
    int count = room;
    EXPECT_EQ(Tvfs_windows_query_stream_segment(handle_, handle, STREAM_QUERY_LIST, &count,
                                                results.data()),
              0);
    results.resize(static_cast<size_t>(count));
    EXPECT_EQ(Tvfs_windows_release_query_stream_segment_handle(handle_, handle), 0);
    return results;
  }

  std::vector<_stream_query_result_> QueryDate(int year, int month, int day) const {
    return Query(WholeDay(year, month, day));
  }

  static _stream_query_ WholeDay(int year, int month, int day) {
    const _fs_date_ date{static_cast<uint8_t>(year - 2000), static_cast<uint8_t>(month),
                         static_cast<uint8_t>(day), 0};
    return tvfs::WholeDayQuery(date, 10000);
  }

  Bytes ReadAll(int stream, int chunk) const {
    Bytes data;
    std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
    for (;;) {
      const int got = Tvfs_windows_read_video_data(handle_, stream, buffer.data(), chunk, nullptr);
      EXPECT_GE(got, 0);
      if (got <= 0) return data;
      data.insert(data.end(), buffer.begin(), buffer.begin() + got);
    }
  }

  int64_t Tell(int stream) const {
    int64_t position = -1;
    EXPECT_EQ(Tvfs_windows_stream_segment_tell(handle_, stream, &position), 0);
    return position;
  }

 private:
  int handle_;
  int mount_result_ = 0;
};

_fs_date_time_ When(int year, int month, int day, int hour, int minute, int second) {
  return {static_cast<uint8_t>(year - 2000), static_cast<uint8_t>(month),
          static_cast<uint8_t>(day), static_cast<uint8_t>(hour),
          static_cast<uint8_t>(minute), static_cast<uint8_t>(second), {0, 0}};
}

class TvfsApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    segments_ = {
        {2, 0x20, MakeStream(At(2026, 3, 8, 10, 0, 0), 6, 3)},
        {0, 0x08, MakeStream(At(2026, 3, 7, 9, 30, 0), 8, 1)},
        {1, 0x10, MakeStream(At(2026, 3, 7, 9, 30, 0), 5, 2)},
        {3, 0x48, MakeStream(At(2026, 3, 7, 8, 0, 0), 4, 4)},
        {1, 0x00, MakeStream(At(2026, 3, 7, 23, 59, 57), 6, 2)},
    };
    image_ = BuildImage(folder_, "disk.img", 7, segments_);
  }

  // The stream of the segment listed `index`-th on its date.
  const MadeStream& Stream(size_t input_index) const { return segments_[input_index].stream; }

  TempFolder folder_;
  std::vector<StreamSegment> segments_;
  std::string image_;
};

TEST_F(TvfsApiTest, MountListsDatesAscending) {
  const MountedDisk disk(image_);
  ASSERT_EQ(disk.mount_result(), 0);
  const std::vector<_fs_date_> dates = disk.Dates();
  ASSERT_EQ(dates.size(), 2u);
  EXPECT_EQ(dates[0].year, 26);
  EXPECT_EQ(dates[0].month, 3);
  EXPECT_EQ(dates[0].day, 7);
  EXPECT_EQ(dates[1].day, 8);
}

TEST_F(TvfsApiTest, QueryListsByStartThenChannel) {
  const MountedDisk disk(image_);
  ASSERT_EQ(disk.mount_result(), 0);
  const auto results = disk.QueryDate(2026, 3, 7);
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0].channel, 3);
  EXPECT_EQ(results[0].start_hour, 8);
  EXPECT_EQ(results[0].end_second, 3);
  EXPECT_EQ(results[0].record_type, 0x48);
  EXPECT_EQ(results[1].channel, 0);
  EXPECT_EQ(results[1].record_type, 0x08);
  EXPECT_EQ(results[2].channel, 1);
  EXPECT_EQ(results[2].record_type, 0x10);
  EXPECT_EQ(results[3].start_hour, 23);
  for (const auto& result : results) {
    EXPECT_EQ(result.id.disk, 7u);
    EXPECT_EQ(result.id.number[0], 20260307u);
  }
  EXPECT_EQ(results[0].id.number[1], 1u);
  EXPECT_EQ(results[3].id.number[1], 4u);
  EXPECT_EQ(disk.QueryDate(2026, 3, 8).size(), 1u);
  EXPECT_TRUE(disk.QueryDate(2026, 3, 9).empty());
}

TEST_F(TvfsApiTest, QueryFiltersChannelTypeWindowAndCount) {
  const MountedDisk disk(image_);
  ASSERT_EQ(disk.mount_result(), 0);
  _stream_query_ query = MountedDisk::WholeDay(2026, 3, 7);
  query.channel_mask = 1u << 1;
  auto results = disk.Query(query);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].channel, 1);
  EXPECT_EQ(results[1].channel, 1);

  // Types are cause bits: a mask lists the types sharing a bit with its low
  // byte; only 0xFFFF lists a type without causes (the 23:59:57 one).
  struct TypeCase {
    uint16_t mask;
    std::vector<int> types;
  };
  for (const TypeCase& c : {TypeCase{0xFFFF, {0x48, 0x08, 0x10, 0x00}}, TypeCase{0x40, {0x48}},
                            TypeCase{0x08, {0x48, 0x08}}, TypeCase{0x30, {0x10}},
                            TypeCase{0x01, {}}, TypeCase{0xFF00, {}}, TypeCase{0xFFFE, {0x48, 0x08, 0x10}}}) {
    query = MountedDisk::WholeDay(2026, 3, 7);
    query.type_mask = c.mask;
    std::vector<int> types;
    for (const auto& result : disk.Query(query)) types.push_back(result.record_type);
    EXPECT_EQ(types, c.types) << std::hex << c.mask;
  }

  query = MountedDisk::WholeDay(2026, 3, 7);
  query.from_hour = 9;
  query.to_hour = 9;
  results = disk.Query(query);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].start_minute, 30);

  query = MountedDisk::WholeDay(2026, 3, 7);
  query.max_results = 3;
  EXPECT_EQ(disk.Query(query).size(), 3u);
  EXPECT_EQ(disk.Query(MountedDisk::WholeDay(2026, 3, 7), 2).size(), 2u);
}

TEST_F(TvfsApiTest, QueryHandsOutResultsAcrossCalls) {
  const MountedDisk disk(image_);
  ASSERT_EQ(disk.mount_result(), 0);
  const _stream_query_ query = MountedDisk::WholeDay(2026, 3, 7);
  const int handle = Tvfs_windows_get_query_stream_segment_handle(disk.handle(), &query);
  ASSERT_GE(handle, 0);
  _stream_query_result_ results[3];
  int count = 3;
  ASSERT_EQ(Tvfs_windows_query_stream_segment(disk.handle(), handle, STREAM_QUERY_LIST, &count, results), 0);
  EXPECT_EQ(count, 3);
  count = 3;
  ASSERT_EQ(Tvfs_windows_query_stream_segment(disk.handle(), handle, STREAM_QUERY_LIST, &count, results), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(results[0].start_hour, 23);
  EXPECT_EQ(Tvfs_windows_release_query_stream_segment_handle(disk.handle(), handle), 0);
}

TEST_F(TvfsApiTest, QueryRefusesBadQueries) {
  const MountedDisk disk(image_);
  _stream_query_ query = MountedDisk::WholeDay(2026, 2, 30);
  EXPECT_EQ(Tvfs_windows_get_query_stream_segment_handle(disk.handle(), &query), TVFS_E_ARGUMENT);
  query = MountedDisk::WholeDay(2026, 3, 7);
  query.from_hour = 12;
  query.to_hour = 11;
  EXPECT_EQ(Tvfs_windows_get_query_stream_segment_handle(disk.handle(), &query), TVFS_E_ARGUMENT);
  query = MountedDisk::WholeDay(2026, 3, 7);
  query.stream_kind = 2;
  EXPECT_EQ(Tvfs_windows_get_query_stream_segment_handle(disk.handle(), &query), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_get_query_stream_segment_handle(disk.handle(), nullptr), TVFS_E_ARGUMENT);
}

TEST_F(TvfsApiTest, ReadsWholeSegmentInChunks) {
  const MountedDisk disk(image_);
  ASSERT_EQ(disk.mount_result(), 0);
  const auto results = disk.QueryDate(2026, 3, 7);
  ASSERT_EQ(results.size(), 4u);
  _stream_segment_info_ info{};
  ASSERT_EQ(Tvfs_windows_get_stream_segment_info(disk.handle(), &results[1].id, &info), 0);
  const uint64_t size = info.size;  // packed field: copy before binding a reference
  EXPECT_EQ(size, Stream(1).bytes.size());
  EXPECT_EQ(info.date.day, 7);
  EXPECT_EQ(info.channel, 0);
  EXPECT_EQ(info.start_minute, 30);
  EXPECT_EQ(info.end_second, 7);
  const int stream = Tvfs_windows_open_stream_segment(disk.handle(), &results[1].id, 0xFFFF, 0);
  ASSERT_GE(stream, 0);
  EXPECT_EQ(disk.ReadAll(stream, 333), Stream(1).bytes);
  EXPECT_EQ(disk.Tell(stream), static_cast<int64_t>(Stream(1).bytes.size()));
  uint8_t byte = 0;
  EXPECT_EQ(Tvfs_windows_read_video_data(disk.handle(), stream, &byte, 1, nullptr), 0);
  EXPECT_EQ(Tvfs_windows_close_stream_segment(disk.handle(), stream), 0);
}

TEST_F(TvfsApiTest, SeeksByPositionWithinTheSegmentOnly) {
  const MountedDisk disk(image_);
  const auto results = disk.QueryDate(2026, 3, 7);
  ASSERT_EQ(results.size(), 4u);
  const int stream = Tvfs_windows_open_stream_segment(disk.handle(), &results[1].id, 0xFFFF, 0);
  ASSERT_GE(stream, 0);
  const Bytes& bytes = Stream(1).bytes;
  const auto size = static_cast<int64_t>(bytes.size());
  ASSERT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, 100, 0), 0);
  EXPECT_EQ(disk.Tell(stream), 100);
  ASSERT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, 50, 1), 0);
  EXPECT_EQ(disk.Tell(stream), 150);
  uint8_t buffer[10];
  ASSERT_EQ(Tvfs_windows_read_video_data(disk.handle(), stream, buffer, 10, nullptr), 10);
  EXPECT_TRUE(std::equal(buffer, buffer + 10, bytes.begin() + 150));
  ASSERT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, -10, 2), 0);
  EXPECT_EQ(disk.Tell(stream), size - 10);
  ASSERT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, 0, 2), 0);
  EXPECT_EQ(disk.Tell(stream), size);

  ASSERT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, 40, 0), 0);
  EXPECT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, -2000000, 2), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, -41, 1), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, size + 1, 0), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, INT64_MAX, 1), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_seek_stream_segment_pos(disk.handle(), stream, 0, 3), TVFS_E_ARGUMENT);
  EXPECT_EQ(disk.Tell(stream), 40);
}

TEST_F(TvfsApiTest, SeeksByTimeToKeyFrames) {
  const MountedDisk disk(image_);
  const auto results = disk.QueryDate(2026, 3, 7);
  ASSERT_EQ(results.size(), 4u);
  const int stream = Tvfs_windows_open_stream_segment(disk.handle(), &results[1].id, 0xFFFF, 0);
  ASSERT_GE(stream, 0);
  const auto& keys = Stream(1).key_offsets;  // 09:30:00 to 09:30:07
  _fs_date_time_ when = When(2026, 3, 7, 9, 30, 3);
  ASSERT_EQ(Tvfs_windows_seek_stream_segment(disk.handle(), stream, &when, 0), 0);
  EXPECT_EQ(disk.Tell(stream), static_cast<int64_t>(keys[3]));
  const Bytes rest = disk.ReadAll(stream, 4096);
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), Stream(1).bytes.begin() + static_cast<long>(keys[3])));

  when = When(2026, 3, 7, 9, 29, 59);
  ASSERT_EQ(Tvfs_windows_seek_stream_segment(disk.handle(), stream, &when, 0), 0);
  EXPECT_EQ(disk.Tell(stream), 0);
  when = When(2026, 3, 7, 17, 0, 0);
  ASSERT_EQ(Tvfs_windows_seek_stream_segment(disk.handle(), stream, &when, 0), 0);
  EXPECT_EQ(disk.Tell(stream), static_cast<int64_t>(keys.back()));
  when = When(2026, 3, 6, 23, 0, 0);
  ASSERT_EQ(Tvfs_windows_seek_stream_segment(disk.handle(), stream, &when, 0), 0);
  EXPECT_EQ(disk.Tell(stream), 0);
  when = When(2026, 13, 6, 23, 0, 0);
  EXPECT_EQ(Tvfs_windows_seek_stream_segment(disk.handle(), stream, &when, 0), TVFS_E_ARGUMENT);
}

TEST_F(TvfsApiTest, SegmentPastMidnightKeepsItsStartDate) {
  const MountedDisk disk(image_);
  const auto results = disk.QueryDate(2026, 3, 7);
  ASSERT_EQ(results.size(), 4u);
  const _stream_query_result_& late = results[3];
  EXPECT_EQ(late.start_hour, 23);
  EXPECT_EQ(late.start_second, 57);
  EXPECT_EQ(late.end_hour, 0);
  EXPECT_EQ(late.end_minute, 0);
  EXPECT_EQ(late.end_second, 2);
  _stream_query_ query = MountedDisk::WholeDay(2026, 3, 7);
  query.from_hour = 23;
  query.from_minute = 59;
  query.from_second = 59;
  ASSERT_EQ(disk.Query(query).size(), 1u);

  const int stream = Tvfs_windows_open_stream_segment(disk.handle(), &late.id, 0xFFFF, 0);
  ASSERT_GE(stream, 0);
  const auto& keys = Stream(4).key_offsets;
  _fs_date_time_ when = When(2026, 3, 8, 0, 0, 1);
  ASSERT_EQ(Tvfs_windows_seek_stream_segment(disk.handle(), stream, &when, 0), 0);
  EXPECT_EQ(disk.Tell(stream), static_cast<int64_t>(keys[4]));
  when = When(2026, 3, 7, 23, 59, 58);
  ASSERT_EQ(Tvfs_windows_seek_stream_segment(disk.handle(), stream, &when, 0), 0);
  EXPECT_EQ(disk.Tell(stream), static_cast<int64_t>(keys[1]));
}

TEST_F(TvfsApiTest, DriveNamesResolveThroughTheVariable) {
  const char* saved = std::getenv("BRISCA_DRIVES");
  const std::string previous = saved ? saved : "";
  const std::string value = folder_.File("missing.img") + ":" + image_;
  ASSERT_EQ(::setenv("BRISCA_DRIVES", value.c_str(), 1), 0);
  const int handle = Tvfs_windows_CreateTvfs();
  char c_drive[] = "C:";
  char d_drive[] = "d:";
  char e_drive[] = "E:";
  char* names[10] = {};
  names[0] = c_drive;
  EXPECT_EQ(Tvfs_windows_mount(handle, 0, 1, names), TVFS_E_OPEN);
  names[0] = e_drive;
  EXPECT_EQ(Tvfs_windows_mount(handle, 0, 1, names), TVFS_E_OPEN);
  names[0] = d_drive;
  EXPECT_EQ(Tvfs_windows_mount(handle, 0, 1, names), 0);
  EXPECT_EQ(Tvfs_windows_umount(handle, 0), 0);
  EXPECT_EQ(Tvfs_windows_DeleteTvfs(handle), 0);
  if (saved) {
    ::setenv("BRISCA_DRIVES", previous.c_str(), 1);
  } else {
    ::unsetenv("BRISCA_DRIVES");
  }
}

TEST_F(TvfsApiTest, RefusesHandlesNeverIssuedOrClosed) {
  const int instance = Tvfs_windows_CreateTvfs();
  ASSERT_GE(instance, 0);
  EXPECT_EQ(Tvfs_windows_umount(instance, 0), TVFS_E_NOT_MOUNTED);
  _fs_date_* list = nullptr;
  int count = 0;
  EXPECT_EQ(Tvfs_windows_get_record_date_list2(instance, &list, &count), TVFS_E_NOT_MOUNTED);
  EXPECT_EQ(Tvfs_windows_get_record_date_list2(instance + 1000, &list, &count), TVFS_E_ARGUMENT);
  std::string name = image_;
  char* names[10] = {};
  names[0] = name.data();
  ASSERT_EQ(Tvfs_windows_mount(instance, 0, 1, names), 0);
  EXPECT_EQ(Tvfs_windows_mount(instance, 0, 1, nullptr), TVFS_E_ARGUMENT);

  const _stream_query_ query = MountedDisk::WholeDay(2026, 3, 7);
  const int query_handle = Tvfs_windows_get_query_stream_segment_handle(instance, &query);
  ASSERT_GE(query_handle, 0);
  _stream_query_result_ results[4];
  count = 4;
  ASSERT_EQ(Tvfs_windows_query_stream_segment(instance, query_handle, STREAM_QUERY_LIST, &count, results), 0);
  EXPECT_EQ(Tvfs_windows_release_query_stream_segment_handle(instance, query_handle), 0);
  EXPECT_EQ(Tvfs_windows_release_query_stream_segment_handle(instance, query_handle), TVFS_E_ARGUMENT);
  count = 4;
  EXPECT_EQ(Tvfs_windows_query_stream_segment(instance, query_handle, STREAM_QUERY_LIST, &count, results),
            TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_query_stream_segment(instance, query_handle + 5, STREAM_QUERY_LIST, &count, results),
            TVFS_E_ARGUMENT);

  const int stream = Tvfs_windows_open_stream_segment(instance, &results[0].id, 0xFFFF, 0);
  ASSERT_GE(stream, 0);
  uint8_t buffer[16];
  int64_t position = 0;
  EXPECT_EQ(Tvfs_windows_read_video_data(instance, stream + 1, buffer, 16, nullptr), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_read_video_data(instance, stream, nullptr, 16, nullptr), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_read_video_data(instance, stream, buffer, -1, nullptr), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_close_stream_segment(instance, stream), 0);
  EXPECT_EQ(Tvfs_windows_close_stream_segment(instance, stream), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_read_video_data(instance, stream, buffer, 16, nullptr), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_stream_segment_tell(instance, stream, &position), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_seek_stream_segment_pos(instance, stream, 0, 0), TVFS_E_ARGUMENT);

  _stream_segment_id_ unknown = results[0].id;
  unknown.number[1] = 999;
  EXPECT_EQ(Tvfs_windows_open_stream_segment(instance, &unknown, 0xFFFF, 0), TVFS_E_NOT_FOUND);
  _stream_segment_info_ info{};
  EXPECT_EQ(Tvfs_windows_get_stream_segment_info(instance, &unknown, &info), TVFS_E_NOT_FOUND);

  _fs_date_ foreign[1] = {};
  EXPECT_EQ(Tvfs_windows_release_record_date_list2(foreign), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_release_record_date_list2(nullptr), 0);

  const int open_stream = Tvfs_windows_open_stream_segment(instance, &results[0].id, 0xFFFF, 0);
  ASSERT_GE(open_stream, 0);
  EXPECT_NE(open_stream, stream);
  EXPECT_EQ(Tvfs_windows_umount(instance, 0), 0);
  EXPECT_EQ(Tvfs_windows_read_video_data(instance, open_stream, buffer, 16, nullptr), TVFS_E_NOT_MOUNTED);
  EXPECT_EQ(Tvfs_windows_DeleteTvfs(instance), 0);
  EXPECT_EQ(Tvfs_windows_DeleteTvfs(instance), TVFS_E_ARGUMENT);
  EXPECT_EQ(Tvfs_windows_mount(instance, 0, 1, names), TVFS_E_ARGUMENT);
  EXPECT_NE(Tvfs_windows_CreateTvfs(), instance);
}

TEST_F(TvfsApiTest, StreamsReadConcurrently) {
  const MountedDisk disk(image_);
  const auto results = disk.QueryDate(2026, 3, 7);
  ASSERT_EQ(results.size(), 4u);
  const int first = Tvfs_windows_open_stream_segment(disk.handle(), &results[1].id, 0xFFFF, 0);
  const int second = Tvfs_windows_open_stream_segment(disk.handle(), &results[3].id, 0xFFFF, 0);
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  Bytes first_data;
  Bytes second_data;
  std::thread reader([&] {
    for (int round = 0; round < 20; ++round) {
      Tvfs_windows_seek_stream_segment_pos(disk.handle(), first, 0, 0);
      first_data = disk.ReadAll(first, 97);
    }
  });
  for (int round = 0; round < 20; ++round) {
    Tvfs_windows_seek_stream_segment_pos(disk.handle(), second, 0, 0);
    second_data = disk.ReadAll(second, 131);
  }
  reader.join();
  EXPECT_EQ(first_data, Stream(1).bytes);
  EXPECT_EQ(second_data, Stream(4).bytes);
}

TEST(TvfsScaleTest, ListsTenThousandSegmentsQuickly) {
  TempFolder folder;
  DiskImageWriter writer(2);
  const Bytes data(64, 0x5A);
  std::string error;
  for (uint32_t i = 0; i < 10000; ++i) {
    SegmentDescription segment;
    segment.channel = static_cast<uint8_t>(i % 16);
    segment.date = {26, 1, static_cast<uint8_t>(1 + i / 2000)};
    segment.start = TimeOfDay::FromSeconds(i % 2000 * 40);
    segment.end = TimeOfDay::FromSeconds(i % 2000 * 40 + 30);
    segment.time_index = {{0, segment.start.Seconds()}};
    segment.data_size = data.size();
    segment.read_data = [&data](uint64_t, uint8_t* out, size_t length) {
      std::copy_n(data.begin(), length, out);
      return true;
    };
    ASSERT_TRUE(writer.AddSegment(std::move(segment), error)) << error;
  }
  WriteReport report;
  const std::string path = folder.File("big.img");
  ASSERT_TRUE(writer.Write(path, report, error)) << error;

  const auto started = std::chrono::steady_clock::now();
  const MountedDisk disk(path);
  ASSERT_EQ(disk.mount_result(), 0);
  size_t listed = 0;
  for (const _fs_date_& date : disk.Dates()) {
    listed += disk.QueryDate(2000 + date.year, date.month, date.day).size();
  }
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(listed, 10000u);
  EXPECT_LT(elapsed, std::chrono::milliseconds(500));
}

}  // namespace
}  // namespace tvfs::testing
