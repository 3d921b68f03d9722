#pragma once

#include <QSize>
#include <QTemporaryDir>

#include <memory>

#include "corvane/app/corvane_dlg.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/string_table.h"

// The player's main window for a benchmark, shown at `size`: settings of a
// fresh folder in English, the map drawing offline tiles written round the
// start of the generated recordings' route (the centre of Shenzhen).
class BenchWindow {
 public:
  static constexpr double kRouteLatitude = 22.5431;
  static constexpr double kRouteLongitude = 114.0579;

  explicit BenchWindow(QSize size);
  // False when the settings or tiles could not be written.
  bool ok() const { return window_ != nullptr; }
  CCorvaneDlg& window() { return *window_; }

 private:
  QTemporaryDir dir_;
  std::unique_ptr<SettingsFile> file_;
  PlayerSettings settings_;
  StringTable table_ = StringTable::FromResource();
  std::unique_ptr<CCorvaneDlg> window_;
};
