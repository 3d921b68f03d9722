#pragma once

#include <QWidget>

struct PlayerSettings;

// The playback page: the video windows and the control bar. The main window
// creates and places it; its controls are not built yet, so it shows the
// theme's background only.
class CDlgPlayBack : public QWidget {
  Q_OBJECT

 public:
  CDlgPlayBack(const PlayerSettings& settings, QWidget* parent);
};
