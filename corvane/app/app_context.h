#pragma once

#include <QString>

#include "corvane/app/string_table.h"

// Shared by the main window and its panels: the string-table language index
// (1 until the start-up language is applied) and the local-source flag.
// Owned by the main window; the table must outlive it.
struct AppContext {
  explicit AppContext(const StringTable& table) : strings(table) {}

  const StringTable& strings;
  int languageIndex = 1;
  int localSource = 0;  // 1 = file list came from a folder, 0 = a disk
};

// Text of `baseId` in the context's current language; empty when absent.
inline QString LoadLangString(const AppContext& context, int baseId) {
  return context.strings.Text(context.languageIndex, baseId);
}
