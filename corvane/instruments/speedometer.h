#pragma once

#include <QWidget>

struct PlayerSettings;

// The speedometer and position panel: speed, position, GPS-fix box, map
// provider and speed unit. The main window creates and places it; its controls
// are not built yet, so it shows the theme's background only.
class CSpeedometer : public QWidget {
  Q_OBJECT

 public:
  CSpeedometer(const PlayerSettings& settings, QWidget* parent);
};
