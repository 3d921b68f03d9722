#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "corvane/app/settings_file.h"
#include "temp_settings_dir.h"

namespace {

void WriteIni(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

QString ReadKey(const QString& path, const QString& key) {
  return QSettings(path, QSettings::IniFormat).value(key).toString();
}

TEST(SettingsFile, NoFileGivesDefaults) {
  TempSettingsDir temp;
  PlayerSettings settings;
  SettingsFile(temp.paths).LoadSettings(settings);
  EXPECT_EQ(settings.langSelect, 0);
  EXPECT_EQ(settings.bkColor, 0);
  EXPECT_EQ(settings.gpsFix, 1);
  EXPECT_EQ(settings.mapSelect, 0);
  EXPECT_EQ(settings.speedUnit, 0);
  EXPECT_EQ(settings.watermarkEnable, 0);
  EXPECT_EQ(settings.watermarkAlpha, 50);
  EXPECT_EQ(settings.viewMode, 4);
  EXPECT_FALSE(QFileInfo::exists(temp.paths.file));
}

TEST(SettingsFile, TraditionalChineseWithoutSpeedUnitGivesKnots) {
  TempSettingsDir temp;
  WriteIni(temp.paths.file, "[LANGUAGE]\nLAN_SELECT=2\n");
  PlayerSettings settings;
  SettingsFile(temp.paths).LoadSettings(settings);
  EXPECT_EQ(settings.langSelect, 2);
  EXPECT_EQ(settings.speedUnit, 2);
}

TEST(SettingsFile, SpeedUnitDefaultFollowsLanguage) {
  EXPECT_EQ(DefaultSpeedUnit(0), 0);
  EXPECT_EQ(DefaultSpeedUnit(1), 0);
  EXPECT_EQ(DefaultSpeedUnit(2), 2);
  EXPECT_EQ(DefaultSpeedUnit(3), 1);
  EXPECT_EQ(DefaultSpeedUnit(10), 1);
}

TEST(SettingsFile, StoredValuesAndNonNumericText) {
  TempSettingsDir temp;
  WriteIni(temp.paths.file,
           "[LANGUAGE]\nLAN_SELECT=3\n[SPEED]\nSPEED_UNIT=0\n"
           "[VIEW]\nMODE=9x\n[WATERMARK]\nALPHA=abc\nENABLE=1\n"
           "[MAP]\nMAP_SELECT=3\n[BKGROUND]\nBK_COLOR=1\n[GPSFIX]\nFIX=0\n");
  PlayerSettings settings;
  SettingsFile(temp.paths).LoadSettings(settings);
  EXPECT_EQ(settings.langSelect, 3);
  EXPECT_EQ(settings.speedUnit, 0);
  EXPECT_EQ(settings.viewMode, 9);
  EXPECT_EQ(settings.watermarkAlpha, 0);
  EXPECT_EQ(settings.watermarkEnable, 1);
  EXPECT_EQ(settings.mapSelect, 3);
  EXPECT_EQ(settings.bkColor, 1);
  EXPECT_EQ(settings.gpsFix, 0);
}

TEST(SettingsFile, PerUserCopyMigratedOnce) {
  TempSettingsDir temp;
  WriteIni(temp.paths.file, "[LANGUAGE]\nLAN_SELECT=1\n");
  WriteIni(temp.paths.legacyFile, "[LANGUAGE]\nLAN_SELECT=10\n[VIEW]\nMODE=1\n");
  const SettingsFile file(temp.paths);

  PlayerSettings first;
  file.LoadSettings(first);
  EXPECT_EQ(first.langSelect, 10);
  EXPECT_EQ(first.viewMode, 4);  // nothing but LAN_SELECT is taken
  EXPECT_FALSE(QFileInfo::exists(temp.paths.legacyFile));

  file.SaveLanguage(first);
  EXPECT_EQ(ReadKey(temp.paths.file, "LANGUAGE/LAN_SELECT"), "10");

  PlayerSettings second;
  file.LoadSettings(second);
  EXPECT_EQ(second.langSelect, 10);
}

TEST(SettingsFile, SavesWriteOneKeyEachAndKeepOthers) {
  TempSettingsDir temp;
  WriteIni(temp.paths.file, "[BKGROUND]\nBK_COLOR=1\n");
  PlayerSettings settings;
  const SettingsFile file(temp.paths);
  file.SaveSpeedUnit(settings, 2);
  file.SaveWatermarkEnable(settings, 1);
  file.SaveWatermarkAlpha(80);
  file.SaveViewMode(9);
  file.SaveMapSelect(3);
  EXPECT_EQ(settings.speedUnit, 2);
  EXPECT_EQ(settings.watermarkEnable, 1);
  EXPECT_EQ(ReadKey(temp.paths.file, "SPEED/SPEED_UNIT"), "2");
  EXPECT_EQ(ReadKey(temp.paths.file, "WATERMARK/ENABLE"), "1");
  EXPECT_EQ(ReadKey(temp.paths.file, "WATERMARK/ALPHA"), "80");
  EXPECT_EQ(ReadKey(temp.paths.file, "VIEW/MODE"), "9");
  EXPECT_EQ(ReadKey(temp.paths.file, "MAP/MAP_SELECT"), "3");
  EXPECT_EQ(ReadKey(temp.paths.file, "BKGROUND/BK_COLOR"), "1");
  EXPECT_FALSE(QFileInfo::exists(temp.paths.legacyFile));
}

TEST(SettingsTextToInt, StopsAtFirstNonDigit) {
  EXPECT_EQ(SettingsTextToInt("42"), 42);
  EXPECT_EQ(SettingsTextToInt("  -7z"), -7);
  EXPECT_EQ(SettingsTextToInt("x1"), 0);
  EXPECT_EQ(SettingsTextToInt(""), 0);
  EXPECT_EQ(SettingsTextToInt("99999999999999999999"), 2147483647);
}

TEST(SettingsPaths, WritableProgramFolderHoldsTheFile) {
  QTemporaryDir program;
  const SettingsPaths paths = ResolveSettingsPaths(program.path());
  EXPECT_EQ(paths.file, program.path() + "/config.ini");
  EXPECT_TRUE(paths.legacyFile.endsWith("/CORVANE/config.ini"));
  const SettingsPaths fallback = ResolveSettingsPaths(program.path() + "/none");
  EXPECT_TRUE(fallback.file.endsWith("/corvane/config.ini"));
}

}  // namespace
