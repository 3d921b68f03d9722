#pragma once

#include <QWidget>

struct PlayerSettings;

// The scope option strip under the scope panel. The main window creates and
// places it; its controls are not built yet, so it shows the theme's background
// only.
class CScopeMenu : public QWidget {
  Q_OBJECT

 public:
  CScopeMenu(const PlayerSettings& settings, QWidget* parent);
};
