#include "corvane/instruments/speedometer.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <initializer_list>

#include "corvane/app/app_context.h"
#include "corvane/app/language.h"
#include "corvane/app/main_window_link.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/theme.h"
#include "corvane/controls/combo_box_bt.h"
#include "corvane/controls/fit_text.h"
#include "corvane/instruments/instrument_pictures.h"
#include "corvane/instruments/picture_button.h"

namespace {

constexpr int kPositionTitleText = 490;
constexpr int kLongitudeText = 491;
constexpr int kLatitudeText = 492;
constexpr int kDegreeText = 493;
constexpr int kGpsFixText = 508;
constexpr int kSpeedText = 524;
constexpr int kGoogleText = 536;
constexpr int kBaiduText = 537;
constexpr int kFirstUnitText = 538;  // km/h, mp/h, kn follow
constexpr int kUnits = 3;
constexpr int kBaiduMapSelect = 3;
constexpr int kFontPixels = 11;
const QColor kColourLabelInks[4] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(0, 0, 0)};

// Process-wide, window thread only: the colour the hidden boxes chose. The
// map component draws its track in red, where the boxes start, since no
// one can change them.
int trackColour = 0;

template <typename T>
T* Control(int id, QWidget* parent) {
  auto* control = new T(parent);
  control->setObjectName(QString("ctl_%1").arg(id));
  return control;
}

QLabel* Label(int id, QWidget* parent, const QColor& ink = Qt::white) {
  auto* label = Control<QLabel>(id, parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, ink);
  label->setPalette(colours);
  label->setAutoFillBackground(false);
  return label;
}

// A read-only value field drawn on the panel's black, as the labels are.
QLineEdit* Field(int id, QWidget* parent) {
  auto* field = Control<QLineEdit>(id, parent);
  field->setReadOnly(true);
  field->setFrame(false);
  field->setFocusPolicy(Qt::NoFocus);
  QPalette colours = field->palette();
  colours.setColor(QPalette::Base, Qt::black);
  colours.setColor(QPalette::Text, Qt::white);
  field->setPalette(colours);
  return field;
}

}  // namespace

int TrackColourIndex() { return trackColour; }

CSpeedometer::CSpeedometer(PlayerSettings& settings, AppContext& context, QWidget* parent)
    : QWidget(parent), settings_(settings), context_(context), pictureLanguage_(settings.uiLanguage) {
  setObjectName("CSpeedometer");
  QPalette colours = ThemePalette(settings.bkColor);
  colours.setColor(QPalette::Window, Qt::black);
  colours.setColor(QPalette::WindowText, Qt::white);
  setPalette(colours);
  setAutoFillBackground(true);
  QFont small = font();
  small.setPixelSize(kFontPixels);
  setFont(small);

  BuildControls();
  BuildHiddenControls();
  Connect();
  Layout();
  RetextSpeedometerPanel();
  ApplyLanguagePictures(settings.uiLanguage);
  UpdateFields();
}

void CSpeedometer::BuildControls() {
  positionTitle_ = Label(534, this);
  longitudeLabel_ = Label(535, this);
  latitudeLabel_ = Label(536, this);
  longitudeField_ = Field(305, this);
  latitudeField_ = Field(306, this);
  degreeLabels_ = {Label(537, this), Label(538, this)};
  gpsFixBox_ = Control<QCheckBox>(559, this);
  gpsFixLabel_ = Label(560, this);
  mapProvider_ = Control<CComboBoxBT>(311, this);
  speedUnit_ = Control<CComboBoxBT>(312, this);
  mapButton_ = Control<CPictureButton>(759, this);
  aboutButton_ = Control<CPictureButton>(769, this);
  for (int i = 0; i < 2; ++i) {
    QFrame* line = Control<QFrame>(i == 0 ? 540 : 548, this);
    line->setAutoFillBackground(true);
    QPalette colours = line->palette();
    colours.setColor(QPalette::Window, QColor(121, 134, 146));
    line->setPalette(colours);
    line->setVisible(IsDarkTheme(settings_.bkColor));
    dividers_[static_cast<size_t>(i)] = line;
  }
}

void CSpeedometer::BuildHiddenControls() {
  gauge_ = Control<QLabel>(492, this);
  speedLabel_ = Label(527, this);
  speedField_ = Field(308, this);
  unitLabel_ = Label(541, this);
  colourTitle_ = Label(533, this);
  for (int i = 0; i < 4; ++i) {
    colourBoxes_[static_cast<size_t>(i)] = Control<QCheckBox>(493 + i, this);
    colourLabels_[static_cast<size_t>(i)] = Label(500 + i, this, kColourLabelInks[i]);
  }
  for (QWidget* hidden : {static_cast<QWidget*>(gauge_), static_cast<QWidget*>(speedLabel_),
                          static_cast<QWidget*>(speedField_), static_cast<QWidget*>(unitLabel_),
                          static_cast<QWidget*>(colourTitle_)})
    hidden->hide();
  for (size_t i = 0; i < 4; ++i) {
    colourBoxes_[i]->hide();
    colourLabels_[i]->hide();
  }
  colourBoxes_[0]->setChecked(true);
  trackColour = 0;
}

void CSpeedometer::Connect() {
  connect(mapProvider_, &QComboBox::currentIndexChanged, this, [this](int entry) {
    if (entry < 0 || context_.mainWindow == nullptr) return;
    context_.mainWindow->ChangeMapProvider(entry);
  });
  connect(speedUnit_, &QComboBox::currentIndexChanged, this, [this](int unit) {
    if (unit < 0) return;
    if (context_.settingsFile != nullptr) {
      context_.settingsFile->SaveSpeedUnit(settings_, unit);
    } else {
      settings_.speedUnit = unit;
    }
  });
  connect(gpsFixBox_, &QCheckBox::clicked, this, [this](bool ticked) {
    settings_.gpsFix = ticked ? 1 : 0;
    if (context_.settingsFile != nullptr) context_.settingsFile->SaveLanguage(settings_);
  });
  for (int i = 0; i < 4; ++i) {
    connect(colourBoxes_[static_cast<size_t>(i)], &QCheckBox::clicked, this,
            [this, i](bool ticked) { ColourBoxClicked(i, ticked); });
  }
  connect(mapButton_, &CPictureButton::clicked, this, &CSpeedometer::ToggleMap);
  connect(aboutButton_, &CPictureButton::clicked, this, [this] {
    if (context_.mainWindow != nullptr) context_.mainWindow->ShowAbout();
  });
}

void CSpeedometer::ColourBoxClicked(int index, bool ticked) {
  if (!ticked) return;
  for (int i = 0; i < 4; ++i) {
    if (i != index) colourBoxes_[static_cast<size_t>(i)]->setChecked(false);
  }
  trackColour = index;
}

void CSpeedometer::SetRawSpeed(int speed) { rawSpeed_ = speed; }
void CSpeedometer::SetDisplaySpeed(unsigned speed) { displaySpeed_ = speed; }

void CSpeedometer::SetPositionTexts(const QString& longitude, const QString& latitude) {
  longitude_ = longitude;
  latitude_ = latitude;
}

void CSpeedometer::UpdateFields() {
  update();
  longitudeField_->setText(longitude_);
  latitudeField_->setText(latitude_);
  speedField_->setText(QString::number(displaySpeed_));
  FitTextsInto(*longitudeField_, {longitude_, latitude_});
  FitTextsInto(*latitudeField_, {longitude_, latitude_});
}

int CSpeedometer::rawSpeed() const { return rawSpeed_; }
unsigned CSpeedometer::displaySpeed() const { return displaySpeed_; }
QString CSpeedometer::longitudeText() const { return longitude_; }
QString CSpeedometer::latitudeText() const { return latitude_; }

void CSpeedometer::RetextSpeedometerPanel() {
  const auto text = [this](int id) { return LoadLangString(context_, id); };
  positionTitle_->setText(text(kPositionTitleText));
  longitudeLabel_->setText(text(kLongitudeText));
  latitudeLabel_->setText(text(kLatitudeText));
  for (QLabel* degree : degreeLabels_) degree->setText(text(kDegreeText));
  gpsFixLabel_->setText(text(kGpsFixText));
  speedLabel_->setText(text(kSpeedText));

  {
    const QSignalBlocker quiet(mapProvider_);
    mapProvider_->SetItems({text(kGoogleText), text(kBaiduText)});
    mapProvider_->setCurrentIndex(settings_.mapSelect == kBaiduMapSelect ? 1 : 0);
  }
  QStringList units;
  for (int i = 0; i < kUnits; ++i) units << text(kFirstUnitText + i);
  {
    const QSignalBlocker quiet(speedUnit_);
    speedUnit_->SetItems(units);
    speedUnit_->setCurrentIndex(std::clamp(settings_.speedUnit, 0, kUnits - 1));
  }
  unitLabel_->setText(speedUnit_->currentText());

  gpsFixBox_->setChecked(settings_.gpsFix != 0);
  const bool gpsFixShown = GpsFixBoxVisible(settings_.langSelect, settings_.uiLanguage);
  gpsFixBox_->setVisible(gpsFixShown);
  gpsFixLabel_->setVisible(gpsFixShown);
  FitTexts();
}

void CSpeedometer::ApplyLanguagePictures(int uiLanguage) {
  pictureLanguage_ = uiLanguage;
  ShowMapPicture();
  aboutButton_->SetPicture(AboutPicture(uiLanguage));
}

void CSpeedometer::ShowMapPicture() { mapButton_->SetPicture(MapButtonPicture(pictureLanguage_, mapVisible_)); }

bool CSpeedometer::mapVisible() const { return mapVisible_; }

void CSpeedometer::ToggleMap() {
  // The main window moves the playback page into the map's room and back.
  mapVisible_ = !mapVisible_;
  if (context_.mainWindow != nullptr) context_.mainWindow->SetMapShown(mapVisible_);
  ShowMapPicture();
}

void CSpeedometer::resizeEvent(QResizeEvent*) { Layout(); }

void CSpeedometer::Layout() {
  positionTitle_->setGeometry(3, 5, 115, 14);
  longitudeLabel_->setGeometry(3, 24, 52, 14);
  longitudeField_->setGeometry(57, 24, 50, 14);
  degreeLabels_[0]->setGeometry(109, 24, 13, 14);
  latitudeLabel_->setGeometry(3, 43, 52, 14);
  latitudeField_->setGeometry(57, 43, 50, 14);
  degreeLabels_[1]->setGeometry(109, 43, 13, 14);
  gpsFixBox_->setGeometry(3, 63, 14, 15);
  gpsFixLabel_->setGeometry(19, 64, 51, 15);
  mapProvider_->setGeometry(150, 5, 75, 17);
  speedUnit_->setGeometry(150, 32, 75, 17);
  mapButton_->setGeometry(150, 60, 75, 21);
  aboutButton_->setGeometry(235, 60, 60, 21);
  dividers_[0]->setGeometry(0, 0, width(), 1);
  dividers_[1]->setGeometry(0, 0, 1, height());
  FitTexts();
}

void CSpeedometer::FitTexts() {
  // Rows of the position readout share one size, so the columns line up.
  const auto fitTogether = [](const std::initializer_list<QWidget*>& row, const QStringList& texts) {
    for (QWidget* widget : row) FitTextsInto(*widget, texts);
  };
  fitTogether({positionTitle_}, {positionTitle_->text()});
  fitTogether({longitudeLabel_, latitudeLabel_}, {longitudeLabel_->text(), latitudeLabel_->text()});
  fitTogether({longitudeField_, latitudeField_}, {longitudeField_->text(), latitudeField_->text()});
  fitTogether({degreeLabels_[0], degreeLabels_[1]}, {degreeLabels_[0]->text()});
  fitTogether({gpsFixLabel_}, {gpsFixLabel_->text()});
  for (CComboBoxBT* list : {mapProvider_, speedUnit_}) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    FitTextsInto(*list, items);
  }
}
