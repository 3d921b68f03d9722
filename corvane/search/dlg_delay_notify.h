#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include "corvane/app/app_context.h"

class QPlainTextEdit;
class QPushButton;

// The timed notice: a modeless window with a title, a read-only text
// (`ctl_305`), an Open folder button (`ctl_1`) and a close button (`ctl_2`)
// that counts the seconds left. One notice at a time: idle (countdown 0,
// hidden) → counting (shown from the first tick) → idle after the last tick
// or the close button. Used on the window thread only.
class CDlgDelayNotiFy : public QDialog {
 public:
  // `context` must outlive the notice; `owner` (may be null) is the window
  // the notice belongs to, and owns it when given.
  explicit CDlgDelayNotiFy(const AppContext& context,
                           QWidget* owner = nullptr);

  // Sets the title and the text and starts the once-a-second countdown from
  // `seconds`; the window appears at the first tick. Ignored while another
  // notice counts down. `extra` is accepted for the callers but not shown.
  // A `seconds` of 0 or less shows nothing.
  void ShowNotice(const QString& title, const QString& text,
                  const QString& extra, int seconds);

  // The folder the Open folder button shows; empty (the initial value)
  // disables the button.
  void SetFolder(const QString& folder);
  const QString& folder() const { return folder_; }

  // Opens the folder in the desktop's file manager through
  // QDesktopServices; the notice stays. Returns false, and does nothing
  // else, when the folder is empty or is not an existing folder, or when
  // the desktop could not open it.
  bool OpenFolder();

  // One tick of the countdown: writes "CLOSE(%02d)" and shows the window
  // while seconds are left, stops the timer and hides once none are. The
  // 1000 ms timer calls it; tests call it to step the countdown.
  void OnTimer();

  // Seconds left, 0 when idle.
  int countdown() const { return countdown_; }
  bool timerActive() const { return timer_.isActive(); }

  // Escape and the window's close box act as the close button.
  void reject() override;

 protected:
  // Every repaint takes the Open folder text (548) in the current language.
  void paintEvent(QPaintEvent* event) override;

 private:
  void OnClose();
  void SetTexts();

  const AppContext& context_;
  QPlainTextEdit* text_ = nullptr;
  QPushButton* openFolder_ = nullptr;
  QPushButton* close_ = nullptr;
  QTimer timer_;
  QString folder_;
  int countdown_ = 0;  // seconds
};
