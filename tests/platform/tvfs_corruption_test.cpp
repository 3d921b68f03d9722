// Damaged images: damage to the superblock or the date table refuses the
// disk, damage to a date's segment table costs only that date, and a damaged
// time index costs only seeking by time; never a crash.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/talvo_file_system/crc32c.h"
#include "platform/talvo_file_system/talvo_file_system.h"
#include "tests/platform/disk_test_support.h"

namespace tvfs::testing {
namespace {

constexpr const char* kIntact = "0 | 1: oo | 2: o";

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

  std::string Walked(const Bytes& bytes) const { return WalkImage(folder_, bytes).text; }

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
  for (const uint32_t version : {0u, 3u, 0xFFFFFFFFu}) {
    ImageEditor editor(good_);
    Superblock block = editor.superblock();
    block.version = version;
    editor.set_superblock(block);
    EXPECT_EQ(Mount(editor.bytes()), TVFS_E_NOT_TVFS) << version;
  }
}

// Version 1 stored type codes 0-15; its images still mount, and a wider
// type there is damage. Version 2 stores any byte of cause bits.
TEST_F(TvfsCorruptionTest, RecordTypeRangeFollowsTheVersion) {
  struct Case {
    uint32_t version;
    uint8_t type;
    const char* walk;
  };
  for (const Case& c : {Case{1, 15, kIntact}, Case{1, 0x28, "0 | 1: -5 | 2: o"},
                        Case{2, 0x28, kIntact}, Case{2, 0xFF, kIntact}}) {
    ImageEditor editor(good_);
    Superblock block = editor.superblock();
    block.version = c.version;
    editor.set_superblock(block);
    SegmentEntry segment = editor.segment(0, 1);
    segment.record_type = c.type;
    editor.set_segment(0, 1, segment);
    editor.Reseal();
    EXPECT_EQ(Walked(editor.bytes()), c.walk) << c.version << " " << int{c.type};
  }
}

using Edit = std::function<void(ImageEditor&)>;

struct DamageCase {
  const char* what;
  Edit edit;
  const char* walk;
};

// Applies each case's edit to a copy of `good` (resealing the checksums
// around it) and expects its walk.
void ExpectWalks(const TempFolder& folder, const Bytes& good, const std::vector<DamageCase>& cases) {
  for (const DamageCase& c : cases) {
    ImageEditor editor(good);
    c.edit(editor);
    EXPECT_EQ(WalkImage(folder, editor.bytes()).text, c.walk) << c.what;
  }
}

Edit FlipByte(std::function<uint64_t(const ImageEditor&)> place) {
  return [place](ImageEditor& editor) { editor.bytes()[place(editor)] ^= 0x01; };
}

Edit EditSegment(size_t date, size_t index, std::function<void(SegmentEntry&, const ImageEditor&)> change) {
  return [=](ImageEditor& editor) {
    SegmentEntry segment = editor.segment(date, index);
    change(segment, editor);
    editor.set_segment(date, index, segment);
    editor.Reseal();
  };
}

Edit EditDate(size_t index, std::function<void(DateEntry&, const ImageEditor&)> change) {
  return [=](ImageEditor& editor) {
    DateEntry date = editor.date(index);
    change(date, editor);
    editor.set_date(index, date);
    editor.Reseal();
  };
}

Edit EditSuperblock(std::function<void(Superblock&)> change) {
  return [=](ImageEditor& editor) {
    Superblock block = editor.superblock();
    change(block);
    editor.set_superblock(block);
  };
}

TEST_F(TvfsCorruptionTest, DamagedSegmentTableCostsOnlyItsDate) {
  ExpectWalks(folder_, good_, {
      {"intact", [](ImageEditor&) {}, kIntact},
      {"bit in the first date's table",
       FlipByte([](const ImageEditor& e) { return e.segment_entry_offset(0, 1) + 30; }),
       "0 | 1: -5 | 2: o"},
      {"bit in the second date's table",
       FlipByte([](const ImageEditor& e) { return e.segment_entry_offset(1, 0) + 3; }),
       "0 | 1: oo | 2: -5"},
      {"table far past the end",
       EditDate(1, [](DateEntry& d, const ImageEditor&) { d.table_offset = UINT64_MAX - 8; }),
       "0 | 1: oo | 2: -5"},
      {"table inside another table",
       EditDate(1, [](DateEntry& d, const ImageEditor& e) {
         d.table_offset = e.date(0).table_offset;
       }),
       "0 | 1: oo | 2: -5"},
      {"time index past the end",
       EditSegment(0, 1, [](SegmentEntry& s, const ImageEditor& e) {
         s.index_offset = e.bytes().size();
         s.index_count = 1;
       }),
       "0 | 1: -5 | 2: o"},
      {"data of 1 MiB",
       EditSegment(1, 0, [](SegmentEntry& s, const ImageEditor&) { s.data_size = 1u << 20; }),
       "0 | 1: oo | 2: -5"},
      {"data of 2^64-1 bytes",
       EditSegment(1, 0, [](SegmentEntry& s, const ImageEditor&) { s.data_size = UINT64_MAX; }),
       "0 | 1: oo | 2: -5"},
      {"index count too large",
       EditSegment(0, 0, [](SegmentEntry& s, const ImageEditor&) { s.index_count = 0x7FFFFFFF; }),
       "0 | 1: -5 | 2: o"},
      {"segments out of order",
       EditSegment(0, 1, [](SegmentEntry& s, const ImageEditor&) { s.start = {9, 0, 0}; }),
       "0 | 1: -5 | 2: o"},
      {"duplicate id within the date",
       EditSegment(0, 1, [](SegmentEntry& s, const ImageEditor& e) { s.id = e.segment(0, 0).id; }),
       "0 | 1: -5 | 2: o"},
      {"id of an earlier date",
       EditSegment(1, 0, [](SegmentEntry& s, const ImageEditor& e) { s.id = e.segment(0, 0).id; }),
       "0 | 1: oo | 2: -5"},
      {"channel above 31",
       EditSegment(0, 0, [](SegmentEntry& s, const ImageEditor&) { s.channel = 40; }),
       "0 | 1: -5 | 2: o"},
  });
}

// Segments of a damaged date read before its damage showed leave the
// catalogue with it: their ids are unknown, not pointers past the end.
TEST_F(TvfsCorruptionTest, SegmentsOfADamagedDateAreNotFound) {
  ImageEditor editor(good_);
  const SegmentEntry first = editor.segment(0, 0);
  SegmentEntry second = editor.segment(0, 1);
  second.start = {9, 0, 0};
  editor.set_segment(0, 1, second);
  editor.Reseal();
  const std::string path = folder_.File("damaged.img");
  WriteFile(path, editor.bytes());
  const int handle = Tvfs_windows_CreateTvfs();
  std::string name = path;
  char* names[10] = {};
  names[0] = name.data();
  ASSERT_EQ(Tvfs_windows_mount(handle, 0, 1, names), 0);
  for (const SegmentEntry& segment : {first, second}) {
    const _stream_segment_id_ id{segment.id.disk, {segment.id.number[0], segment.id.number[1]}};
    _stream_segment_info_ info{};
    EXPECT_EQ(Tvfs_windows_get_stream_segment_info(handle, &id, &info), TVFS_E_NOT_FOUND);
    EXPECT_EQ(Tvfs_windows_open_stream_segment(handle, &id, 0xFFFF, 0), TVFS_E_NOT_FOUND);
  }
  Tvfs_windows_DeleteTvfs(handle);
}

TEST_F(TvfsCorruptionTest, DamageBeyondOneDateRefusesTheDisk) {
  ExpectWalks(folder_, good_, {
      {"bit in the superblock", FlipByte([](const ImageEditor&) { return 20; }), "-5"},
      {"bit in the date table",
       FlipByte([](const ImageEditor& e) { return e.date_entry_offset(1) + 2; }), "-5"},
      {"date table past the end",
       EditSuperblock([&](Superblock& b) { b.date_table_offset = good_.size() - 10; }), "-5"},
      {"image larger than the medium",
       EditSuperblock([&](Superblock& b) { b.image_size = good_.size() + 1; }), "-5"},
      {"date count far too large", EditSuperblock([](Superblock& b) { b.date_count = 0xFFFFFFFF; }),
       "-5"},
      {"segment counts do not add up", EditSuperblock([](Superblock& b) { b.segment_count = 2; }),
       "-5"},
      {"date segment count too large",
       EditDate(0, [](DateEntry& d, const ImageEditor&) { d.segment_count = 1000000; }), "-5"},
      {"dates out of order",
       [](ImageEditor& e) {
         const DateEntry first = e.date(0);
         e.set_date(0, e.date(1));
         e.set_date(1, first);
         e.Reseal();
       },
       "-5"},
      {"two segments share their data",
       EditSegment(0, 1, [](SegmentEntry& s, const ImageEditor& e) {
         s.data_offset = e.segment(0, 0).data_offset;
       }),
       "-5"},
  });
}

// A segment whose time index is damaged opens and reads whole; only seeking
// by time reports the damage, so the reader can find the time by reading.
TEST_F(TvfsCorruptionTest, DamagedTimeIndexCostsOnlySeekingByTime) {
  const auto reseal_index = [](ImageEditor& e, const SegmentEntry& segment) {
    SegmentEntry resealed = segment;
    resealed.index_crc = Crc32c(e.bytes().data() + segment.index_offset,
                                segment.index_count * kIndexEntrySize);
    e.set_segment(0, 0, resealed);
    e.Reseal();
  };
  ExpectWalks(folder_, good_, {
      {"bit in the index",
       FlipByte([](const ImageEditor& e) { return e.segment(0, 0).index_offset + 9; }),
       "0 | 1: io | 2: o"},
      {"index out of order",
       [&](ImageEditor& e) {
         const SegmentEntry segment = e.segment(0, 0);
         uint8_t* second = e.bytes().data() + segment.index_offset + kIndexEntrySize;
         IndexEntry entry = DecodeIndexEntry(second);
         entry.offset = 0;
         EncodeIndexEntry(entry, second);
         reseal_index(e, segment);
       },
       "0 | 1: io | 2: o"},
      {"index entry past the data",
       [&](ImageEditor& e) {
         const SegmentEntry segment = e.segment(0, 0);
         uint8_t* last = e.bytes().data() + segment.index_offset +
                         (segment.index_count - 1) * kIndexEntrySize;
         IndexEntry entry = DecodeIndexEntry(last);
         entry.offset = segment.data_size;
         EncodeIndexEntry(entry, last);
         reseal_index(e, segment);
       },
       "0 | 1: io | 2: o"},
  });
}

// Every single-byte change of the metadata is either harmless, refuses the
// disk, or costs one date or one time index.
TEST_F(TvfsCorruptionTest, EveryMetadataByteFlipEndsCleanly) {
  const uint64_t metadata_end = ImageEditor(good_).segment(0, 0).data_offset;
  for (uint64_t place = 0; place < metadata_end; ++place) {
    Bytes bytes = good_;
    bytes[place] ^= 0xFF;
    const std::string walk = Walked(bytes);
    EXPECT_TRUE(ShowsOnlyErrors(walk, {"-4", "-5"})) << place << ": " << walk;
  }
}

}  // namespace
}  // namespace tvfs::testing
