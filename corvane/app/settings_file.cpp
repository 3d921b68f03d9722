#include "corvane/app/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <climits>
#include <utility>

namespace {

int ReadInt(const QString& file, const QString& key, int fallback) {
  const QSettings ini(file, QSettings::IniFormat);
  const QVariant value = ini.value(key);
  if (!value.isValid()) return fallback;
  return SettingsTextToInt(value.toString());
}


}  // namespace

bool FolderIsWritable(const QString& dir) {
  const QFileInfo info(dir);
  return !dir.isEmpty() && info.isDir() && info.isWritable();
}

int SettingsTextToInt(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i].unicode() - u'0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

SettingsPaths ResolveSettingsPaths(const QString& programDir) {
  QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (configHome.isEmpty()) configHome = QDir::homePath() + "/.config";
  SettingsPaths paths;
  paths.file = FolderIsWritable(programDir) ? programDir + "/config.ini"
                                            : configHome + "/corvane/config.ini";
  paths.legacyFile = configHome + "/CORVANE/config.ini";
  return paths;
}

SettingsFile::SettingsFile(SettingsPaths paths) : paths_(std::move(paths)) {}

void SettingsFile::LoadSettings(PlayerSettings& settings) const {
  const QString& file = paths_.file;
  if (!paths_.legacyFile.isEmpty() && QFileInfo::exists(paths_.legacyFile)) {
    settings.langSelect = ReadInt(paths_.legacyFile, "LANGUAGE/LAN_SELECT", 0);
    QFile::remove(paths_.legacyFile);
  } else {
    settings.langSelect = ReadInt(file, "LANGUAGE/LAN_SELECT", 0);
  }
  settings.bkColor = ReadInt(file, "BKGROUND/BK_COLOR", 0);
  settings.gpsFix = ReadInt(file, "GPSFIX/FIX", 1);
  settings.mapSelect = ReadInt(file, "MAP/MAP_SELECT", 0);
  settings.speedUnit =
      ReadInt(file, "SPEED/SPEED_UNIT", DefaultSpeedUnit(settings.langSelect));
  settings.watermarkEnable = ReadInt(file, "WATERMARK/ENABLE", 0);
  settings.watermarkAlpha = ReadInt(file, "WATERMARK/ALPHA", 50);
  settings.viewMode = ReadInt(file, "VIEW/MODE", 4);
}

void SettingsFile::WriteKey(const QString& key, int value) const {
  QDir().mkpath(QFileInfo(paths_.file).absolutePath());
  QSettings ini(paths_.file, QSettings::IniFormat);
  ini.setValue(key, QString::number(value));
  ini.sync();
}

void SettingsFile::SaveLanguage(const PlayerSettings& settings) const {
  WriteKey("LANGUAGE/LAN_SELECT", settings.langSelect);
  WriteKey("GPSFIX/FIX", settings.gpsFix);
}

void SettingsFile::SaveMapSelect(int mapSelect) const {
  WriteKey("MAP/MAP_SELECT", mapSelect);
}

void SettingsFile::SaveSpeedUnit(PlayerSettings& settings, int unit) const {
  settings.speedUnit = unit;
  WriteKey("SPEED/SPEED_UNIT", unit);
}

void SettingsFile::SaveWatermarkEnable(PlayerSettings& settings,
                                       int enable) const {
  settings.watermarkEnable = enable;
  WriteKey("WATERMARK/ENABLE", enable);
}

void SettingsFile::SaveWatermarkAlpha(int alpha) const {
  WriteKey("WATERMARK/ALPHA", alpha);
}

void SettingsFile::SaveViewMode(int mode) const { WriteKey("VIEW/MODE", mode); }
