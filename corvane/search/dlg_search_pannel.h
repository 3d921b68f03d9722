#pragma once

#include <QWidget>

struct PlayerSettings;

// The search panel: storage, time window, record type, channel and language.
// The main window creates and places it; its controls are not built yet, so it
// shows the theme's background only.
class CDlgSearchPannel : public QWidget {
  Q_OBJECT

 public:
  CDlgSearchPannel(const PlayerSettings& settings, QWidget* parent);
};
