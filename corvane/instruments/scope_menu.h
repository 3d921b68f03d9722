#pragma once

#include <QWidget>

#include <array>

class CPictureButton;
class QLabel;
class QToolButton;
struct PlayerSettings;
class CScopeDlg;

// The scope's tab bar: the speed and acceleration tabs, which switch the
// scope panel's view, and the legend of the view shown.
class CScopeMenu : public QWidget {
  Q_OBJECT

 public:
  CScopeMenu(const PlayerSettings& settings, CScopeDlg& scope, QWidget* parent);

  // Legend texts and tab pictures of language `uiLanguage` (1, 2, 3, 10).
  void ApplyLanguage(int uiLanguage);
  bool speedTabActive() const;

  // Pressing tab 456 or 457: switches the view unless its tab is active.
  void SpeedTabPressed();
  void AccelTabPressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowTabs();
  void Layout();
  void FitLegend();

  // Window thread only.
  CScopeDlg& scope_;
  CPictureButton* speedTab_ = nullptr;  // 456
  CPictureButton* accelTab_ = nullptr;  // 457
  std::array<QToolButton*, 3> unused_{};  // 458-460, hidden
  QLabel* speedLegend_ = nullptr;        // 542
  std::array<QLabel*, 3> accelLegend_{};  // 543-545: X, Y, Z
  bool speedActive_ = true;
  int uiLanguage_ = 1;
};
