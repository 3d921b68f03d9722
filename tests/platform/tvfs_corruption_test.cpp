// Damaged images: every damage is refused with an error code, never a crash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/talvo_file_system/crc32c.h"
#include "platform/talvo_file_system/day_query.h"
#include "platform/talvo_file_system/talvo_file_system.h"
#include "tests/platform/disk_test_support.h"

namespace tvfs::testing {
namespace {

class TvfsCorruptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path =
        BuildImage(folder_, "good.img", 4,
                   {{0, 0, MakeStream(At(2026, 5, 1, 10, 0, 0), 4)},
                    {1, 1, MakeStream(At(2026, 5, 1, 11, 0, 0), 3)},
                    {2, 2, MakeStream(At(2026, 5, 2, 12, 0, 0), 3)}});
    good_ = ReadFile(path);
    ASSERT_EQ(MountBytes(folder_, good_), 0);
  }

  int Mount(const Bytes& bytes) const { return MountBytes(folder_, bytes); }

  // Mounts `bytes` and opens every listed segment; returns the first error.
  int MountAndOpenAll(const Bytes& bytes) const {
    const std::string path = folder_.File("opened.img");
    WriteFile(path, bytes);
    const int handle = Tvfs_windows_CreateTvfs();
    std::string name = path;
    char* names[10] = {};
    names[0] = name.data();
    int result = Tvfs_windows_mount(handle, 0, 1, names);
    _fs_date_* dates = nullptr;
    int date_count = 0;
    if (result == 0) result = Tvfs_windows_get_record_date_list2(handle, &dates, &date_count);
    for (int d = 0; result == 0 && d < date_count; ++d) {
      _stream_query_ query = tvfs::WholeDayQuery(dates[d], 100);
      query.channel_mask = 0xFFFFFFFF;
      const int query_handle = Tvfs_windows_get_query_stream_segment_handle(handle, &query);
      _stream_query_result_ results[100];
      int count = 100;
      Tvfs_windows_query_stream_segment(handle, query_handle, STREAM_QUERY_LIST, &count, results);
      Tvfs_windows_release_query_stream_segment_handle(handle, query_handle);
      for (int i = 0; result == 0 && i < count; ++i) {
        const int stream = Tvfs_windows_open_stream_segment(handle, &results[i].id, 0xFFFF, 0);
        if (stream < 0) result = stream;
      }
    }
    Tvfs_windows_release_record_date_list2(dates);
    Tvfs_windows_DeleteTvfs(handle);
    return result;
  }

  TempFolder folder_;
  Bytes good_;
};

TEST_F(TvfsCorruptionTest, TruncatedImagesAreRefused) {
  for (size_t size : {size_t{0}, size_t{5}, size_t{8}, size_t{40}, size_t{63}, size_t{64},
                      size_t{100}, good_.size() / 2, good_.size() - 1}) {
    const Bytes cut(good_.begin(), good_.begin() + static_cast<long>(size));
    const int result = Mount(cut);
    if (size < 8) {
      EXPECT_EQ(result, TVFS_E_NOT_TVFS) << size;
    } else {
      EXPECT_EQ(result, TVFS_E_CORRUPT) << size;
    }
  }
}

TEST_F(TvfsCorruptionTest, WrongMagicOrVersionIsNotOurs) {
  Bytes bytes = good_;
  bytes[0] ^= 0x20;
  EXPECT_EQ(Mount(bytes), TVFS_E_NOT_TVFS);
  ImageEditor editor(good_);
  Superblock block = editor.superblock();
  block.version = 2;
  editor.set_superblock(block);
  EXPECT_EQ(Mount(editor.bytes()), TVFS_E_NOT_TVFS);
}

TEST_F(TvfsCorruptionTest, FlippedByteInEachTableFailsItsChecksum) {
  ImageEditor editor(good_);
  const std::vector<uint64_t> places = {
      20,                                  // superblock
      editor.date_entry_offset(1) + 2,     // date table
      editor.segment_entry_offset(0, 1) + 30,  // first date's segment table
      editor.segment_entry_offset(1, 0) + 3,   // second date's segment table
  };
  for (uint64_t place : places) {
    Bytes bytes = good_;
    bytes[place] ^= 0x01;
    EXPECT_EQ(Mount(bytes), TVFS_E_CORRUPT) << place;
  }
  // A time index is checked when its segment is opened.
  Bytes bytes = good_;
  bytes[editor.segment(0, 0).index_offset + 9] ^= 0x40;
  EXPECT_EQ(Mount(bytes), 0);
  EXPECT_EQ(MountAndOpenAll(bytes), TVFS_E_CORRUPT);
  EXPECT_EQ(MountAndOpenAll(good_), 0);
}

TEST_F(TvfsCorruptionTest, OffsetsPastTheEndAreRefused) {
  {
    ImageEditor editor(good_);
    Superblock block = editor.superblock();
    block.date_table_offset = good_.size() - 10;
    editor.set_superblock(block);
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    Superblock block = editor.superblock();
    block.image_size = good_.size() + 1;
    editor.set_superblock(block);
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    DateEntry date = editor.date(1);
    date.table_offset = UINT64_MAX - 8;
    editor.set_date(1, date);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    SegmentEntry segment = editor.segment(0, 1);
    segment.index_offset = good_.size();
    segment.index_count = 1;
    editor.set_segment(0, 1, segment);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
}

TEST_F(TvfsCorruptionTest, SegmentDataPastTheEndIsRefused) {
  for (uint64_t size : {uint64_t{1} << 20, UINT64_MAX}) {
    ImageEditor editor(good_);
    SegmentEntry segment = editor.segment(1, 0);
    segment.data_size = size;
    editor.set_segment(1, 0, segment);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT) << size;
  }
}

TEST_F(TvfsCorruptionTest, CountsTooLargeAreRefused) {
  {
    ImageEditor editor(good_);
    Superblock block = editor.superblock();
    block.date_count = 0xFFFFFFFF;
    editor.set_superblock(block);
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    Superblock block = editor.superblock();
    block.segment_count = 2;
    editor.set_superblock(block);
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    DateEntry date = editor.date(0);
    date.segment_count = 1000000;
    editor.set_date(0, date);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    SegmentEntry segment = editor.segment(0, 0);
    segment.index_count = 0x7FFFFFFF;
    editor.set_segment(0, 0, segment);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
}

TEST_F(TvfsCorruptionTest, OverlapsOrderAndDuplicatesAreRefused) {
  {
    ImageEditor editor(good_);
    SegmentEntry segment = editor.segment(0, 1);
    segment.data_offset = editor.segment(0, 0).data_offset;
    editor.set_segment(0, 1, segment);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    // A table pointing into another table.
    ImageEditor editor(good_);
    DateEntry date = editor.date(1);
    date.table_offset = editor.date(0).table_offset;
    date.segment_count = 1;
    editor.set_date(1, date);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    const DateEntry first = editor.date(0);
    editor.set_date(0, editor.date(1));
    editor.set_date(1, first);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    SegmentEntry segment = editor.segment(0, 1);
    segment.start = {9, 0, 0};
    editor.set_segment(0, 1, segment);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    SegmentEntry segment = editor.segment(0, 1);
    segment.id = editor.segment(0, 0).id;
    editor.set_segment(0, 1, segment);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
  {
    ImageEditor editor(good_);
    SegmentEntry segment = editor.segment(0, 0);
    segment.channel = 40;
    editor.set_segment(0, 0, segment);
    editor.Reseal();
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_CORRUPT);
  }
}

TEST_F(TvfsCorruptionTest, TimeIndexOutOfOrderIsRefusedAtOpen) {
  ImageEditor editor(good_);
  const SegmentEntry segment = editor.segment(0, 0);
  Bytes& bytes = editor.bytes();
  IndexEntry second = DecodeIndexEntry(bytes.data() + segment.index_offset + kIndexEntrySize);
  second.offset = 0;
  EncodeIndexEntry(second, bytes.data() + segment.index_offset + kIndexEntrySize);
  SegmentEntry resealed = segment;
  resealed.index_crc = Crc32c(bytes.data() + segment.index_offset, segment.index_count * kIndexEntrySize);
  editor.set_segment(0, 0, resealed);
  editor.Reseal();
  EXPECT_EQ(Mount(editor.bytes()), 0);
  EXPECT_EQ(MountAndOpenAll(editor.bytes()), TVFS_E_CORRUPT);
}

// Every single-byte change of the metadata is either harmless or refused.
TEST_F(TvfsCorruptionTest, EveryMetadataByteFlipEndsCleanly) {
  const uint64_t metadata_end = ImageEditor(good_).segment(0, 0).data_offset;
  for (uint64_t place = 0; place < metadata_end; ++place) {
    Bytes bytes = good_;
    bytes[place] ^= 0xFF;
    const int result = MountAndOpenAll(bytes);
    EXPECT_TRUE(result == 0 || result == TVFS_E_CORRUPT || result == TVFS_E_NOT_TVFS) << place;
  }
}

}  // namespace
}  // namespace tvfs::testing
