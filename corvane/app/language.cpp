#include "corvane/app/language.h"

#include <array>
#include <string_view>

namespace {

struct LocaleId {
  std::string_view name;
  int id;
};

// Identifiers of the locales an operator of this program is likely to run;
// only the Chinese ones change behaviour, the rest just keep their identity.
constexpr std::array<LocaleId, 22> kLocaleIds{{
    {"zh_CN", 2052}, {"zh_SG", 2052}, {"zh_TW", 1028}, {"zh_HK", 1028},
    {"zh_MO", 1028}, {"en_US", 1033}, {"en_GB", 2057}, {"en_AU", 3081},
    {"en_CA", 4105}, {"ru_RU", 1049}, {"uk_UA", 1058}, {"de_DE", 1031},
    {"fr_FR", 1036}, {"es_ES", 3082}, {"it_IT", 1040}, {"pt_BR", 1046},
    {"pt_PT", 2070}, {"ja_JP", 1041}, {"ko_KR", 1042}, {"kk_KZ", 1087},
    {"pl_PL", 1045}, {"tr_TR", 1055},
}};

constexpr int kUnspecifiedLocale = 0x1000;

}  // namespace

int SystemLanguageId(const QString& localeName) {
  // Strip ".codeset" and "@modifier"; accept "zh-CN" spelling too.
  QString name = localeName.section(u'.', 0, 0).section(u'@', 0, 0);
  name.replace(u'-', u'_');
  const QByteArray key = name.toLatin1();
  for (const LocaleId& entry : kLocaleIds) {
    if (std::string_view(key.constData(), static_cast<size_t>(key.size())) ==
        entry.name) {
      return entry.id;
    }
  }
  return kUnspecifiedLocale;
}

int StartupLanguage(int langSelect, int systemLanguageId, int& gpsFix) {
  switch (langSelect) {
    case kLangSimplifiedChinese:
    case kLangTraditionalChinese:
    case kLangEnglish:
      return langSelect;
    case kLangRussian:
      gpsFix = 0;
      return kLangRussian;
    default:
      break;
  }
  if (systemLanguageId == 2052 || systemLanguageId == 4100) {
    return kLangSimplifiedChinese;
  }
  if (systemLanguageId == 1028 || systemLanguageId == 3076) {
    return kLangTraditionalChinese;
  }
  if (langSelect == kLangAuto) gpsFix = 0;
  return kLangEnglish;
}

int StringTableIndex(int uiLanguage) {
  switch (uiLanguage) {
    case kLangSimplifiedChinese:
      return 1;
    case kLangTraditionalChinese:
      return 2;
    case kLangRussian:
      return 10;
    default:
      return 0;
  }
}

bool GpsFixBoxVisible(int langSelect, int uiLanguage) {
  return !(langSelect == kLangAuto && uiLanguage == kLangEnglish);
}

const char16_t* MapLanguageName(int langSelect) {
  if (langSelect == kLangTraditionalChinese) return u"chinese traditional";
  if (langSelect == kLangEnglish) return u"english";
  return u"chinese";
}
