#include "corvane/app/corvane_app.h"

#include <QApplication>
#include <QLocale>

#include "corvane/app/corvane_dlg.h"
#include "corvane/app/language.h"
#include "corvane/app/relaunch.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/string_table.h"
#include "platform/libmapu/libmapu.h"

int CCorvaneApp::Run() {
  PlayerSettings settings;
  settings.programDir = QCoreApplication::applicationDirPath();
  const SettingsFile file(ResolveSettingsPaths(settings.programDir));
  file.LoadSettings(settings);
  // The map's language follows the stored choice and stays for the
  // process: a later switch of the texts does not reach it.
  MAP_Initialize();
  MAP_InitLangague(MapLanguageName(settings.langSelect));
  MAP_LoadSkin(0);
  const StringTable table = StringTable::FromResource();

  const QStringList arguments = QCoreApplication::arguments().mid(1);
  int exitCode = 0;
  bool restart = false;
  {
    CCorvaneDlg window(settings, file, table,
                       SystemLanguageId(QLocale::system().name()));
    if (!arguments.isEmpty()) window.SetStoragePath(arguments.front());
    window.ShowOnWorkArea();
    exitCode = app_.exec();
    restart = window.RestartRequested();
  }
  // The new instance gets the same arguments, so it opens the same storage.
  if (restart) StartNewInstance(QCoreApplication::applicationFilePath(), arguments);
  return exitCode;
}
