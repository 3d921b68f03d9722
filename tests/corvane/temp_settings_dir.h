#pragma once

#include <QTemporaryDir>

#include "corvane/app/settings_file.h"

// A fresh program folder and per-user folder for one test.
struct TempSettingsDir {
  QTemporaryDir dir;
  SettingsPaths paths{dir.path() + "/program/config.ini",
                      dir.path() + "/user/CORVANE/config.ini"};
};
