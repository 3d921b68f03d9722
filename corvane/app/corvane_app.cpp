#include "corvane/app/corvane_app.h"

#include <QApplication>
#include <QLocale>

#include "corvane/app/corvane_dlg.h"
#include "corvane/app/language.h"
#include "corvane/app/relaunch.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/string_table.h"

int CCorvaneApp::Run() {
  PlayerSettings settings;
  settings.programDir = QCoreApplication::applicationDirPath();
  const SettingsFile file(ResolveSettingsPaths(settings.programDir));
  file.LoadSettings(settings);
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
