#include "corvane/app/string_table.h"

#include <QFile>
#include <QStringList>

#include <array>

namespace {

// Column order of the table file after the ID column.
constexpr std::array<int, 4> kColumnLanguageIndex{0, 1, 2, 10};

}  // namespace

StringTable StringTable::Parse(const QString& text) {
  StringTable table;
  const QStringList lines = text.split(u'\n');
  for (QString line : lines) {
    if (line.endsWith(u'\r')) line.chop(1);
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    const QStringList cells = line.split(u'\t');
    bool ok = false;
    const int baseId = cells[0].toInt(&ok);
    if (!ok || baseId < 1 || baseId > kMaxBaseId) continue;
    for (size_t column = 0; column < kColumnLanguageIndex.size(); ++column) {
      const qsizetype cell = static_cast<qsizetype>(column) + 1;
      if (cell >= cells.size() || cells[cell].isEmpty()) continue;
      table.entries_.insert(baseId + 1000 * kColumnLanguageIndex[column],
                            cells[cell]);
    }
  }
  return table;
}

StringTable StringTable::FromResource() {
  QFile file(":/corvane/strings.tsv");
  if (!file.open(QIODevice::ReadOnly)) return {};
  return Parse(QString::fromUtf8(file.readAll()));
}

QString StringTable::Text(int languageIndex, int baseId) const {
  return entries_.value(baseId + 1000 * languageIndex);
}
