#pragma once

#include <QRect>
#include <QTimer>
#include <QWidget>

class QPushButton;
struct PlayerSettings;
struct AppContext;
class Cscope;

// The scope panel: the speed chart and the three-axis acceleration chart,
// one of them shown. Both charts are laid out anew, and emptied, 50 ms
// after every size change.
class CScopeDlg : public QWidget {
  Q_OBJECT

 public:
  CScopeDlg(const PlayerSettings& settings, const AppContext& context, QWidget* parent);

  Cscope* speedChart() const;
  Cscope* accelChart() const;
  // 1 speed, 2 acceleration.
  int view() const;
  void ShowSpeedView();
  void ShowAccelView();
  // Resets both charts and empties their traces (an entry is opened).
  void ResetCharts();
  // The shared context, for the tab bar's legend texts.
  const AppContext& context() const { return context_; }

 public slots:
  // A speed sample, in the unit the telemetry chose.
  void AddSpeed(unsigned speed);
  // An acceleration sample in g.
  void AddAccel(double x, double y, double z);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Gives both charts the panel's rectangle and resets them.
  void LayoutCharts();

  // Window thread only.
  const AppContext& context_;
  Cscope* speed_ = nullptr;
  Cscope* accel_ = nullptr;
  QPushButton* speedButton_ = nullptr;  // 225, under the charts
  int view_ = 1;
  QTimer layoutTimer_;  // one-shot, restarted by every size change
};
