#pragma once

#include <QWidget>

struct PlayerSettings;

// The file list: the recordings found, paging and export. The main window
// creates and places it; its controls are not built yet, so it shows the
// theme's background only.
class CDlgFileList : public QWidget {
  Q_OBJECT

 public:
  CDlgFileList(const PlayerSettings& settings, QWidget* parent);
};
