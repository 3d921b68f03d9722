#pragma once

#include <QDialog>

#include "corvane/app/app_context.h"

// The About box: the program's icon, name and version, and the library's
// name, in the language currently applied.
class CAboutDlg : public QDialog {
 public:
  explicit CAboutDlg(const AppContext& context, QWidget* parent = nullptr);
};
