#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// Progress of a search or an export, shown inside its owner (the file list):
// a progress bar (`ctl_387`) over one line of text (`ctl_static`, the
// template's control without an identifier). Created hidden; the owner
// shows, hides, places and feeds it, on the window thread.
class CDlgProgress : public QWidget {
 public:
  // `owner` must not be null; it owns the dialog.
  explicit CDlgProgress(QWidget* owner);

  void SetText(const QString& text);
  void SetRange(int minimum, int maximum);
  void SetPos(int position);

 protected:
  // The bar takes the full width, keeping its top and height; the text line
  // sits one pixel below the bar, also full width, keeping its height.
  void resizeEvent(QResizeEvent* event) override;

 private:
  QProgressBar* bar_ = nullptr;
  QLabel* text_ = nullptr;
};
