#include <QApplication>
#include <QLocale>
#include <QScreen>

#include <filesystem>
#include <system_error>

#include "corvane/app/app_icon.h"
#include "corvane/app/corvane_dlg.h"
#include "corvane/app/crash_report_path.h"
#include "corvane/app/crash_reporter.h"
#include "corvane/app/language.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/string_table.h"

int main(int argc, char** argv) {
  // Before anything else runs, so that every later fault is reported.
  std::error_code error;
  const std::filesystem::path exe =
      std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) InstallCrashReporter(CrashReportPath(exe.string()).c_str());

  QApplication app(argc, argv);
  app.setApplicationName("Corvane Player");
  app.setWindowIcon(CorvaneIcon());

  PlayerSettings settings;
  settings.programDir = QCoreApplication::applicationDirPath();
  const SettingsFile file(ResolveSettingsPaths(settings.programDir));
  file.LoadSettings(settings);
  const StringTable table = StringTable::FromResource();

  CCorvaneDlg window(settings, file, table,
                     SystemLanguageId(QLocale::system().name()));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    window.setGeometry(screen->availableGeometry());
  }
  window.show();
  return QApplication::exec();
}
