#pragma once

#include <QHash>
#include <QString>

// The program's texts: base IDs 1 to 999, one copy per language, the copy of
// language index i found at base ID + 1000 * i (English 0, zh-Hans 1,
// zh-Hant 2, Russian 10).
class StringTable {
 public:
  static constexpr int kMaxBaseId = 999;

  // Parses the editable table: one line per base ID, tab-separated columns
  // ID, English, Simplified Chinese, Traditional Chinese, Russian. An empty
  // cell leaves that language without the text. Lines starting with '#',
  // blank lines and lines with an ID outside 1..999 are skipped.
  static StringTable Parse(const QString& text);

  // The table compiled into the program (":/corvane/strings.tsv").
  static StringTable FromResource();

  // Text of `baseId` in language `languageIndex`; empty when absent (no
  // fall-back to another language).
  QString Text(int languageIndex, int baseId) const;

 private:
  QHash<int, QString> entries_;  // keyed by base ID + 1000 * language index
};
