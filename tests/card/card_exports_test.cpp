// The card exports through libbrisca.so and its public header.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "brisca.h"
#include "tests/card/card_test_support.h"
#include "tools/card/card_image.h"

namespace {

using brisca::testing::CardTempFolder;

void WriteFolder(const CardTempFolder& folder) {
  brisca::testing::WriteFolderCard(folder.path(), {brisca::testing::SyntheticRecording(4, 4, 2),
                                                   brisca::testing::SyntheticRecording(4, 4, 2)});
}

TEST(CardExportsTest, FolderModeListing) {
  const CardTempFolder folder;
  WriteFolder(folder);
  EXPECT_EQ(JV_SetDir(folder.path().c_str(), 0), 0);
  RecFileParam* list = nullptr;
  ASSERT_EQ(JV_GetFileParam(&list, nullptr, 0), 2);
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list[0].name, "0\\1\\0");
  EXPECT_STREQ(list[1].name, "0\\1\\1");
  EXPECT_EQ(list[1].channel, 1);
  EXPECT_EQ(list[1].duration_ms, 1000);
  JV_FreeFileParam(list);
  JV_FreeFileParam(nullptr);
  EXPECT_EQ(JV_SetDir((folder / "nothing").c_str(), 0), 0);
  list = nullptr;
  EXPECT_EQ(JV_GetFileParam(&list, nullptr, 0), -2);
  EXPECT_EQ(list, nullptr);
}

TEST(CardExportsTest, ExistingExportIsSeen) {
  const CardTempFolder folder;
  EXPECT_EQ(JV_IsExistsExortFile(folder.path().c_str()), 0);
  WriteFolder(folder);
  EXPECT_EQ(JV_IsExistsExortFile(folder.path().c_str()), 1);
  EXPECT_EQ(JV_IsExistsExortFile(nullptr), 0);
}

TEST(CardExportsTest, SearchFindsTheCardAndListsIt) {
  const CardTempFolder work;
  const CardTempFolder files;
  brisca::testing::WriteFolderCard(files.path(), {brisca::testing::SyntheticRecording(4, 4, 2)});
  // Card names: the index and container without the partition prefix.
  const CardTempFolder card;
  brisca::testing::WriteBytes(card / "index00.bin",
                              brisca::testing::ReadBytes(files / "0_index00.bin"));
  brisca::testing::WriteBytes(card / "fly00001.evf",
                              brisca::testing::ReadBytes(files / "0_fly00001.evf"));
  brisca::tools::card::WriteCardImage(work / "card.img", {card.path()});
  ::setenv("BRISCA_PHYSICAL_DRIVES", ("/nonexistent:" + (work / "card.img")).c_str(), 1);
  JvSearchResult results[16] = {};
  EXPECT_EQ(JV_SearchSD(-1, results), 1);
  EXPECT_EQ(results[0].drive, 1);
  EXPECT_EQ(JV_SearchSD(0, nullptr), 0);
  EXPECT_EQ(JV_SearchSD(1, nullptr), 1);
  RecFileParam* list = nullptr;
  ASSERT_EQ(JV_GetFileParam(&list, nullptr, 0), 1);
  EXPECT_STREQ(list[0].name, "0\\1\\0");
  JV_FreeFileParam(list);
  ::unsetenv("BRISCA_PHYSICAL_DRIVES");
}

}  // namespace
