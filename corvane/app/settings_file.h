#pragma once

#include <QString>

#include "corvane/app/player_settings.h"

// Where config.ini lives: `file` is read and written; `legacyFile` is the
// older per-user copy, read (LAN_SELECT only) and deleted at most once.
struct SettingsPaths {
  QString file;
  QString legacyFile;
};

// The program folder when it is writable (a portable install), else
// $XDG_CONFIG_HOME/corvane; the older copy is $XDG_CONFIG_HOME/CORVANE.
SettingsPaths ResolveSettingsPaths(const QString& programDir);

// True for an existing folder this account may write into: a portable
// copy keeps its settings and pictures beside the program.
bool FolderIsWritable(const QString& dir);

// Reads and writes config.ini key by key in INI format. Every save writes its
// key at once, so the file always matches the last change; write failures
// are not reported. Window thread only.
class SettingsFile {
 public:
  explicit SettingsFile(SettingsPaths paths);

  // Fills `settings` (all fields but programDir). Missing files, keys and
  // non-numeric values give the defaults. Deletes the legacy file when found.
  void LoadSettings(PlayerSettings& settings) const;

  // Writes LAN_SELECT from langSelect and FIX from gpsFix.
  void SaveLanguage(const PlayerSettings& settings) const;
  void SaveMapSelect(int mapSelect) const;
  // Also stores the unit into `settings`.
  void SaveSpeedUnit(PlayerSettings& settings, int unit) const;
  // Also stores the flag into `settings`.
  void SaveWatermarkEnable(PlayerSettings& settings, int enable) const;
  void SaveWatermarkAlpha(int alpha) const;
  void SaveViewMode(int mode) const;

  const SettingsPaths& paths() const { return paths_; }

 private:
  void WriteKey(const QString& key, int value) const;

  SettingsPaths paths_;
};

// Decimal text to integer the way the settings file has always been read:
// leading blanks and a sign, then digits up to the first non-digit; no digit
// gives 0. Out-of-range values saturate.
int SettingsTextToInt(const QString& text);
