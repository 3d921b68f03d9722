#pragma once

#include <QWidget>

struct PlayerSettings;

// The map panel: the vehicle's position and track. The main window creates and
// places it; its controls are not built yet, so it shows the theme's background
// only.
class CDlgMap : public QWidget {
  Q_OBJECT

 public:
  CDlgMap(const PlayerSettings& settings, QWidget* parent);
};
