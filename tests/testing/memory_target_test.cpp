// The memory presentation target the other tests read their pictures from:
// what it refuses, counts, notes and copies.
#include "brisca/testing/memory_target.h"

#include <gtest/gtest.h>

#include <vector>

namespace brisca::testing {
namespace {

TEST(MemoryTarget, NotesAcceptedPicturesAndKeepsTheLastRowsPacked) {
  MemoryTarget memory({.formats = 1u << BR_PIXFMT_I420, .keep_pixels = true});
  // 3x2 I420 whose rows are padded: luma 4 bytes a row, chroma 3.
  const std::vector<uint8_t> y = {1, 2, 3, 0, 4, 5, 6, 0};
  const std::vector<uint8_t> u = {7, 8, 0};
  const std::vector<uint8_t> v = {9, 10, 0};
  BR_PICTURE picture{BR_PIXFMT_I420, 3, 2, {y.data(), u.data(), v.data()}, {4, 3, 3}, nullptr, 40};
  BR_VIDEO_TARGET* target = memory.target();
  target->present(target, &picture);
  target->present(target, &picture);  // a refresh of the same frame
  BR_PICTURE other = picture;
  other.format = BR_PIXFMT_BGR24;
  other.timestamp = 80;
  target->present(target, &other);

  EXPECT_EQ(memory.presents(), 3u);
  EXPECT_EQ(memory.refused(), 1u);
  EXPECT_EQ(memory.presented().size(), 2u);
  ASSERT_EQ(memory.distinct().size(), 1u);
  EXPECT_EQ(memory.last().timestamp, 40u);
  EXPECT_EQ(memory.last().plane[0], y.data());
  EXPECT_EQ(memory.pixels(), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_TRUE(memory.overlay().empty());

  EXPECT_EQ(memory.forbidden_presents(), 0u);
  memory.ForbidPresents();
  target->present(target, &other);  // refused, and still counted as forbidden
  EXPECT_EQ(memory.forbidden_presents(), 1u);
  memory.AllowPresents();
  target->present(target, &picture);
  EXPECT_EQ(memory.forbidden_presents(), 1u);
  EXPECT_EQ(memory.presents(), 5u);
}

}  // namespace
}  // namespace brisca::testing
