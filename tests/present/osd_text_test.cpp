#include "brisca/present/osd_text.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace brisca {
namespace {

TEST(OsdText, CornerPlacement) {
  const TextPosition bottom_right = PlaceText(3, 704, 576, 100, 16);
  EXPECT_EQ(bottom_right.x, 599);
  EXPECT_EQ(bottom_right.y, 555);
  const TextPosition top_left = PlaceText(0, 704, 576, 100, 16);
  EXPECT_EQ(top_left.x, 5);
  EXPECT_EQ(top_left.y, 5);
  const TextPosition top_right = PlaceText(1, 704, 576, 100, 16);
  EXPECT_EQ(top_right.x, 599);
  EXPECT_EQ(top_right.y, 5);
  const TextPosition bottom_left = PlaceText(2, 704, 576, 100, 16);
  EXPECT_EQ(bottom_left.x, 5);
  EXPECT_EQ(bottom_left.y, 555);
  for (int corner : {-1, 4, 100}) {
    const TextPosition other = PlaceText(corner, 704, 576, 100, 16);
    EXPECT_EQ(other.x, 5) << corner;
    EXPECT_EQ(other.y, 5) << corner;
  }
}

TEST(OsdText, CutKeepsAtMost63BytesAndWholeCharacters) {
  EXPECT_EQ(CutOsdText(std::string(70, 'x')).size(), 63u);
  EXPECT_EQ(CutOsdText("short"), "short");
  // 62 ASCII bytes and a two-byte character that would straddle the limit.
  const std::string text = std::string(62, 'a') + "\xC3\xA9" + "b";
  EXPECT_EQ(CutOsdText(text), std::string(62, 'a'));
}

TEST(OsdText, FontFoundThroughFontconfig) {
  EXPECT_FALSE(OsdFontFile().empty());
}

TEST(OsdText, RenderMeasuresAndCoversText) {
  OsdTextRenderer renderer;
  const TextMask one = renderer.Render("M");
  const TextMask three = renderer.Render("MMM");
  ASSERT_GT(one.width, 0);
  EXPECT_EQ(three.width, one.width * 3);
  EXPECT_EQ(three.height, one.height);
  EXPECT_GE(one.height, 16);
  EXPECT_LE(one.height, 24);
  ASSERT_EQ(three.coverage.size(), static_cast<std::size_t>(three.width * three.height));
  EXPECT_EQ(*std::max_element(three.coverage.begin(), three.coverage.end()), 255);
  EXPECT_EQ(renderer.Render("").width, 0);
}

TEST(OsdText, RenderSurvivesMalformedUtf8) {
  OsdTextRenderer renderer;
  const TextMask mask = renderer.Render("\xFF\xC3(\xE2\x82");
  EXPECT_GT(mask.width, 0);
}

}  // namespace
}  // namespace brisca
