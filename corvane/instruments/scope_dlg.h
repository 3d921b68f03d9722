#pragma once

#include <QWidget>

struct PlayerSettings;

// The scope panel: speed and three-axis acceleration charts. The main window
// creates and places it; its controls are not built yet, so it shows the
// theme's background only.
class CScopeDlg : public QWidget {
  Q_OBJECT

 public:
  CScopeDlg(const PlayerSettings& settings, QWidget* parent);
};
