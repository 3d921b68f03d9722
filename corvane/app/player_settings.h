#pragma once

#include <QString>

// The process-wide settings record. Field order and initial values are the
// ones the settings file's defaults build on.
struct PlayerSettings {
  QString programDir;   // folder of the program file, no trailing separator
  int bkColor = 0;      // 1 = dark theme, anything else = light theme
  int langSelect = 0;   // 0 automatic, 1 zh-Hans, 2 zh-Hant, 3 English, 10 Russian
  int uiLanguage = 1;   // applied language, coded as langSelect; never 0
  int gpsFix = 1;       // 1 = correct GPS positions before the map shows them
  int mapSelect = 0;    // 0 = Google, 3 = Baidu
  int speedUnit = 0;    // 0 km/h, 1 mph, 2 knots (default decided at load)
  int watermarkEnable = 0;
  int watermarkAlpha = 50;
  int viewMode = 4;     // number of video windows: 1, 4, 9 (16 by hand)
};

// Default speed unit for a stored language choice: km/h for automatic and
// Simplified Chinese, knots for Traditional Chinese, mph otherwise.
int DefaultSpeedUnit(int langSelect);
