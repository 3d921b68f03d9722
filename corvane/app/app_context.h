#pragma once

#include <QPointer>
#include <QString>

#include "corvane/app/string_table.h"

#include <functional>

class CDlgFileList;
class CDlgMap;
class CScopeDlg;
class CSpeedometer;
class CDlgSearchPannel;
class MainWindowLink;
class PlaybackLink;
class SettingsFile;

// Shared by the main window and its panels: the string-table language index
// (1 until the start-up language is applied), the links through which panels
// reach each other, the local-source flag and the storage path.
// Owned by the main window; the table must outlive it.
struct AppContext {
  explicit AppContext(const StringTable& table) : strings(table) {}

  const StringTable& strings;
  int languageIndex = 1;
  PlaybackLink* playback = nullptr;  // set by the playback page
  CDlgFileList* fileList = nullptr;   // set by the file list
  CDlgSearchPannel* searchPanel = nullptr;  // set by the search panel
  MainWindowLink* mainWindow = nullptr;     // set by the main window
  // The telemetry panels, set by the main window; guarded, since the
  // playback page may outlive them while the main window is destroyed.
  QPointer<CDlgMap> map;
  QPointer<CSpeedometer> speedometer;
  QPointer<CScopeDlg> scope;
  // Where choices made in the panels are saved; null in tests that save
  // nothing. Set by the main window.
  const SettingsFile* settingsFile = nullptr;
  // Applies a language code (1, 2, 3, 10) to every panel and saves it; set
  // by the main window.
  std::function<void(int)> applyLanguage;
  int localSource = 0;  // 1 = file list came from a folder, 0 = a disk
  // Operating-system version code panels use for small placement
  // differences; 2 is the value of every system but one older desktop.
  int osVersionCode = 2;
  // The recorder disk, card or folder to search: the first command-line
  // argument, later the search panel's choice.
  QString storagePath;
};

// Text of `baseId` in the context's current language; empty when absent.
inline QString LoadLangString(const AppContext& context, int baseId) {
  return context.strings.Text(context.languageIndex, baseId);
}
