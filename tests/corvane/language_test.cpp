#include <gtest/gtest.h>

#include "corvane/app/language.h"

namespace {

TEST(SystemLanguage, ChineseLocalesMapToTheirScripts) {
  EXPECT_EQ(SystemLanguageId("zh_CN.UTF-8"), 2052);
  EXPECT_EQ(SystemLanguageId("zh_SG"), 2052);
  EXPECT_EQ(SystemLanguageId("zh_TW.UTF-8"), 1028);
  EXPECT_EQ(SystemLanguageId("zh_HK"), 1028);
  EXPECT_EQ(SystemLanguageId("en_US.UTF-8"), 1033);
  EXPECT_EQ(SystemLanguageId("ru_RU@euro"), 1049);
  EXPECT_EQ(SystemLanguageId("C"), 0x1000);
}

TEST(StartupLanguage, StoredChoiceWins) {
  int fix = 1;
  EXPECT_EQ(StartupLanguage(2, 1033, fix), kLangTraditionalChinese);
  EXPECT_EQ(StartupLanguage(3, 2052, fix), kLangEnglish);
  EXPECT_EQ(fix, 1);
}

TEST(StartupLanguage, RussianSwitchesGpsCorrectionOff) {
  int fix = 1;
  EXPECT_EQ(StartupLanguage(10, 2052, fix), kLangRussian);
  EXPECT_EQ(fix, 0);
}

TEST(StartupLanguage, AutomaticFollowsTheSystem) {
  int fix = 1;
  EXPECT_EQ(StartupLanguage(0, 2052, fix), kLangSimplifiedChinese);
  EXPECT_EQ(StartupLanguage(0, 3076, fix), kLangTraditionalChinese);
  EXPECT_EQ(fix, 1);
  EXPECT_EQ(StartupLanguage(0, 1033, fix), kLangEnglish);
  EXPECT_EQ(fix, 0);
}

TEST(StartupLanguage, UnknownChoiceKeepsGpsCorrection) {
  int fix = 1;
  EXPECT_EQ(StartupLanguage(7, 1049, fix), kLangEnglish);
  EXPECT_EQ(fix, 1);
}

TEST(GpsFixBox, HiddenOnlyForAutomaticEnglish) {
  EXPECT_FALSE(GpsFixBoxVisible(0, kLangEnglish));
  EXPECT_TRUE(GpsFixBoxVisible(3, kLangEnglish));
  EXPECT_TRUE(GpsFixBoxVisible(0, kLangSimplifiedChinese));
}

TEST(StringTableIndex, EnglishIsBlockZero) {
  EXPECT_EQ(StringTableIndex(kLangEnglish), 0);
  EXPECT_EQ(StringTableIndex(kLangSimplifiedChinese), 1);
  EXPECT_EQ(StringTableIndex(kLangTraditionalChinese), 2);
  EXPECT_EQ(StringTableIndex(kLangRussian), 10);
}

}  // namespace
