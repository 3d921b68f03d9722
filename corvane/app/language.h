#pragma once

#include <QString>

// Language codes as stored in LAN_SELECT and `uiLanguage`.
enum LanguageCode : int {
  kLangAuto = 0,
  kLangSimplifiedChinese = 1,
  kLangTraditionalChinese = 2,
  kLangEnglish = 3,
  kLangRussian = 10,
};

// Windows-style language identifier of a locale name such as "zh_CN" or
// "en_US.UTF-8": zh_CN and zh_SG give 2052, zh_TW and zh_HK give 1028; other
// locales give their own identifier, 0x1000 when they have none.
int SystemLanguageId(const QString& localeName);

// The language applied at start-up for a stored LAN_SELECT and the system's
// language identifier. Clears `gpsFix` for Russian and for an automatic
// choice that lands on English (only when LAN_SELECT is exactly 0 there).
int StartupLanguage(int langSelect, int systemLanguageId, int& gpsFix);

// String-table language index of a language code (English 0, zh-Hans 1,
// zh-Hant 2, Russian 10).
int StringTableIndex(int uiLanguage);

// The GPS-fix check box is hidden when English was chosen automatically.
bool GpsFixBoxVisible(int langSelect, int uiLanguage);

// The map component's language for a stored LAN_SELECT: its own name for
// Traditional Chinese and English, Simplified Chinese for every other value.
const char16_t* MapLanguageName(int langSelect);
