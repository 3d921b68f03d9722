#pragma once

class QApplication;

// The application object: reads the settings, runs the main window until it
// closes, and starts the program again when the window asked for it (a
// change of map provider).
class CCorvaneApp {
 public:
  explicit CCorvaneApp(QApplication& app) : app_(app) {}

  // Returns the process's exit code.
  int Run();

 private:
  QApplication& app_;
};
