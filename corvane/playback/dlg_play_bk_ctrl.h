#pragma once

#include <QWidget>

#include <array>

#include "corvane/playback/control_bar_layout.h"

struct AppContext;
struct PlayerSettings;
class CDlgDelayNotiFy;
class CExStatic;
class CProSliderCtrl;
class PlaybackController;
class QSlider;
class QToolButton;

// The control bar under the video windows: the steering buttons, the
// progress, volume and watermark-opacity sliders, the split, full-screen,
// telemetry, snapshot, sound and watermark pictures, the rate and time
// texts and the keys. It steers the controller and shows its state; what
// concerns the page (split, full screen, telemetry panels) it asks for
// with signals.
class CDlgPlayBkCtrl : public QWidget {
  Q_OBJECT

 public:
  // The controller, settings and context must outlive the bar.
  CDlgPlayBkCtrl(PlaybackController& controller, PlayerSettings& settings, AppContext& context,
                 QWidget* parent);

  // Every tooltip again in the current language.
  void RetextToolTips();
  QString rateText() const;
  QString timeText() const;
  // The time display while playing; "00:00 / 00:00" when stopped.
  void SetTimeText(const QString& text);
  bool telemetryHidden() const { return telemetryHidden_; }
  CProSliderCtrl* progress() const { return progress_; }
  // Saves every playing channel's picture and tells where.
  void Snapshot();

 signals:
  void splitRequested(int count);
  void fullScreenRequested();
  void leaveFullScreenRequested();
  void telemetryToggled(bool hidden);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Connect();
  void ShowRate();
  void ShowSound();
  void ShowWatermark();
  void PlayPressed();
  void StopPressed();

  PlaybackController& controller_;
  PlayerSettings& settings_;
  AppContext& context_;
  QColor ink_;
  std::array<QToolButton*, kBarButtons> buttons_{};
  std::array<QToolButton*, kBarPictures> pictures_{};
  QToolButton* split16_ = nullptr;
  QToolButton* sound_ = nullptr;
  QToolButton* watermark_ = nullptr;
  CProSliderCtrl* progress_ = nullptr;
  QSlider* volume_ = nullptr;
  QSlider* opacity_ = nullptr;
  CExStatic* rate_ = nullptr;
  CExStatic* time_ = nullptr;
  CDlgDelayNotiFy* notice_ = nullptr;
  bool telemetryHidden_ = false;
};
