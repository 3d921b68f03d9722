#include <QApplication>

#include <filesystem>
#include <system_error>

#include "corvane/app/app_icon.h"
#include "corvane/app/corvane_app.h"
#include "corvane/app/crash_report_path.h"
#include "corvane/app/crash_reporter.h"

int main(int argc, char** argv) {
  // Before anything else runs, so that every later fault is reported.
  std::error_code error;
  const std::filesystem::path exe =
      std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) InstallCrashReporter(CrashReportPath(exe.string()).c_str());

  QApplication app(argc, argv);
  app.setApplicationName("Corvane Player");
  app.setWindowIcon(CorvaneIcon());
  return CCorvaneApp(app).Run();
}
