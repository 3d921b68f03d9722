#include "corvane/search/file_list_cells.h"

#include <QStringList>

namespace {

struct TypeName {
  uint32_t bit;
  int stringId;
};
constexpr TypeName kTypeNames[] = {
    {kTypeManual, 633}, {kTypeOverspeed, 629}, {kTypeEmergency, 630}, {kTypeDms, 631}};

QString TimeText(int hour, int minute, int second) {
  return QString::asprintf("%02d:%02d:%02d", hour, minute, second);
}

}  // namespace

QString DurationText(int seconds) {
  return TimeText(seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

QString TypeText(const AppContext& context, uint32_t typeBits) {
  QStringList names;
  for (const TypeName& type : kTypeNames) {
    if (typeBits & type.bit) names << LoadLangString(context, type.stringId);
  }
  return names.join(u'|');
}

QString FileListCell(const AppContext& context, const FileListEntry& entry, int column) {
  switch (column) {
    case 0:
      return QString::number(entry.channel);
    case 1:
      return QString::asprintf("%04d-%02d-%02d", entry.year + 2000, entry.month, entry.day);
    case 2:
      return TimeText(entry.startHour, entry.startMinute, entry.startSecond);
    case 3:
      // An end on the next day shows its hour of that day.
      return TimeText(entry.endHour % 24, entry.endMinute, entry.endSecond);
    case 4:
      return DurationText(entry.duration);
    case 5:
      return TypeText(context, entry.typeBits);
    default:
      return {};
  }
}
