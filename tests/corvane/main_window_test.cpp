#include <gtest/gtest.h>

#include <QSettings>
#include <QTest>
#include <QTextEdit>

#include "corvane/app/corvane_dlg.h"
#include "corvane/app/language.h"
#include "corvane/app/string_table.h"
#include "temp_settings_dir.h"

namespace {

QString ReadKey(const QString& path, const QString& key) {
  return QSettings(path, QSettings::IniFormat).value(key).toString();
}

struct Started {
  TempSettingsDir temp;
  PlayerSettings settings;
  SettingsFile file{temp.paths};
  StringTable table = StringTable::FromResource();
};

// Builds the window and waits for the half-second language start-up.
void StartWindow(Started& s, CCorvaneDlg& window) {
  window.resize(1900, 1000);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return !ReadKey(s.temp.paths.file, "LANGUAGE/LAN_SELECT").isEmpty();
      },
      5000));
}

TEST(MainWindow, NoFileOnChineseSystem) {
  Started s;
  s.file.LoadSettings(s.settings);
  CCorvaneDlg window(s.settings, s.file, s.table, 2052);
  EXPECT_EQ(window.windowTitle(), "Corvane Player");
  EXPECT_FALSE(window.windowIcon().isNull());
  StartWindow(s, window);
  EXPECT_EQ(s.settings.uiLanguage, kLangSimplifiedChinese);
  EXPECT_EQ(s.settings.speedUnit, 0);
  EXPECT_EQ(s.settings.gpsFix, 1);
  EXPECT_EQ(ReadKey(s.temp.paths.file, "LANGUAGE/LAN_SELECT"), "0");
  EXPECT_EQ(ReadKey(s.temp.paths.file, "GPSFIX/FIX"), "1");
  EXPECT_EQ(ReadKey(s.temp.paths.file, "VIEW/MODE"), "4");
  const auto* box = window.findChild<QTextEdit*>("ctl_464");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->toPlainText(), QString::fromUtf8("码流信息"));
}

TEST(MainWindow, NoFileOnEnglishSystemWritesFixZero) {
  Started s;
  s.file.LoadSettings(s.settings);
  CCorvaneDlg window(s.settings, s.file, s.table, 1033);
  StartWindow(s, window);
  EXPECT_EQ(s.settings.uiLanguage, kLangEnglish);
  EXPECT_EQ(s.settings.speedUnit, 0);
  EXPECT_EQ(ReadKey(s.temp.paths.file, "GPSFIX/FIX"), "0");
  EXPECT_FALSE(GpsFixBoxVisible(s.settings.langSelect, s.settings.uiLanguage));
  EXPECT_EQ(window.findChild<QTextEdit*>("ctl_464")->toPlainText(),
            "Stream Information");
}

TEST(MainWindow, LanguageSwitchRetextsAndLaysOutPanels) {
  Started s;
  s.settings.langSelect = kLangEnglish;
  CCorvaneDlg window(s.settings, s.file, s.table, 1033);
  StartWindow(s, window);
  window.ApplyLanguage(kLangRussian);
  EXPECT_EQ(window.context().languageIndex, 10);
  EXPECT_EQ(window.findChild<QTextEdit*>("ctl_464")->toPlainText(),
            QString::fromUtf8("Информация о потоке"));
  const QWidget* map = window.findChild<QWidget*>("CDlgMap");
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->geometry(), QRect(1465, 30, 430, 810));
  EXPECT_EQ(window.findChild<QWidget*>("CDlgFileList")->geometry(),
            QRect(-6, 135, 395, 705));
}

}  // namespace
