#pragma once

#include <QString>
#include <QWidget>

#include <array>

class CComboBoxBT;
class CPictureButton;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
struct PlayerSettings;
struct AppContext;

// The speedometer and position panel: the vehicle's longitude and latitude
// while a recording plays, and the choices of map provider, speed unit and
// GPS correction, with the map switch and the About button.
class CSpeedometer : public QWidget {
  Q_OBJECT

 public:
  CSpeedometer(PlayerSettings& settings, AppContext& context, QWidget* parent);

  // The telemetry's values; UpdateFields repaints and shows them.
  void SetRawSpeed(int speed);
  void SetDisplaySpeed(unsigned speed);
  void SetPositionTexts(const QString& longitude, const QString& latitude);
  void UpdateFields();
  int rawSpeed() const;
  unsigned displaySpeed() const;
  QString longitudeText() const;
  QString latitudeText() const;

  // Texts and list entries of the current language and settings.
  void RetextSpeedometerPanel();
  // The map and About pictures of language `uiLanguage`.
  void ApplyLanguagePictures(int uiLanguage);
  bool mapVisible() const;
  // The map button: hides or shows the map panel.
  void ToggleMap();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  void BuildHiddenControls();
  void Connect();
  void Layout();
  void FitTexts();
  void ShowMapPicture();
  void ColourBoxClicked(int index, bool checked);

  // Window thread only.
  PlayerSettings& settings_;
  AppContext& context_;
  QString longitude_ = "0.0000";
  QString latitude_ = "0.0000";
  unsigned displaySpeed_ = 0;  // in the unit of SPEED_UNIT
  int rawSpeed_ = 0;           // km/h as recorded; not shown
  bool mapVisible_ = true;
  int pictureLanguage_ = 1;    // language of the map and About pictures

  QLabel* positionTitle_ = nullptr;   // 534
  QLabel* longitudeLabel_ = nullptr;  // 535
  QLabel* latitudeLabel_ = nullptr;   // 536
  QLineEdit* longitudeField_ = nullptr;  // 305
  QLineEdit* latitudeField_ = nullptr;   // 306
  std::array<QLabel*, 2> degreeLabels_{};  // 537, 538
  QCheckBox* gpsFixBox_ = nullptr;    // 559
  QLabel* gpsFixLabel_ = nullptr;     // 560
  CComboBoxBT* mapProvider_ = nullptr;  // 311
  CComboBoxBT* speedUnit_ = nullptr;    // 312
  CPictureButton* mapButton_ = nullptr;    // 759
  CPictureButton* aboutButton_ = nullptr;  // 769
  std::array<QFrame*, 2> dividers_{};      // 540 along the top, 548 down the left

  // Laid out hidden: gauge, speed readout and track-colour choice.
  QLabel* gauge_ = nullptr;        // 492
  QLabel* speedLabel_ = nullptr;   // 527
  QLineEdit* speedField_ = nullptr;  // 308
  QLabel* unitLabel_ = nullptr;    // 541
  QLabel* colourTitle_ = nullptr;  // 533
  std::array<QCheckBox*, 4> colourBoxes_{};  // 493-496: red, green, blue, black
  std::array<QLabel*, 4> colourLabels_{};    // 500-503
};

// Colour of the track, chosen with the panel's (hidden) colour boxes:
// 0 red, 1 green, 2 blue, 3 black.
int TrackColourIndex();
