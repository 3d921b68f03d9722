#include "corvane/instruments/scope_menu.h"

#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

#include "corvane/app/app_context.h"
#include "corvane/app/language.h"
#include "corvane/app/player_settings.h"
#include "corvane/controls/fit_text.h"
#include "corvane/instruments/instrument_pictures.h"
#include "corvane/instruments/picture_button.h"
#include "corvane/instruments/scope_dlg.h"

namespace {

constexpr int kSpeedLegendText = 489;
constexpr std::array<int, 3> kAccelLegendTexts{499, 500, 501};
const QColor kLegendColours[3] = {QColor(0, 255, 0), QColor(255, 0, 0), QColor(255, 255, 0)};
constexpr int kFontPixels = 11;

QLabel* Legend(int id, const QColor& colour, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString("ctl_%1").arg(id));
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, colour);
  label->setPalette(colours);
  label->setAutoFillBackground(false);
  return label;
}

}  // namespace

CScopeMenu::CScopeMenu(const PlayerSettings& settings, CScopeDlg& scope, QWidget* parent)
    : QWidget(parent), scope_(scope), uiLanguage_(settings.uiLanguage) {
  setObjectName("CScopeMenu");
  QPalette colours = palette();
  colours.setColor(QPalette::Window, settings.bkColor == 1 ? QColor(0, 0, 0) : QColor(4, 33, 66));
  setPalette(colours);
  setAutoFillBackground(true);
  QFont small = font();
  small.setPixelSize(kFontPixels);
  setFont(small);

  speedTab_ = new CPictureButton(this);
  speedTab_->setObjectName("ctl_456");
  accelTab_ = new CPictureButton(this);
  accelTab_->setObjectName("ctl_457");
  connect(speedTab_, &CPictureButton::clicked, this, &CScopeMenu::SpeedTabPressed);
  connect(accelTab_, &CPictureButton::clicked, this, &CScopeMenu::AccelTabPressed);
  for (int i = 0; i < 3; ++i) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString("ctl_%1").arg(458 + i));
    button->hide();
    unused_[static_cast<size_t>(i)] = button;
  }

  speedLegend_ = Legend(542, Qt::white, this);
  for (int i = 0; i < 3; ++i) {
    accelLegend_[static_cast<size_t>(i)] = Legend(543 + i, kLegendColours[i], this);
    accelLegend_[static_cast<size_t>(i)]->hide();
  }
  ApplyLanguage(uiLanguage_);
}

bool CScopeMenu::speedTabActive() const { return speedActive_; }

void CScopeMenu::SpeedTabPressed() {
  if (speedActive_) return;
  speedActive_ = true;
  ShowTabs();
  scope_.ShowSpeedView();
  speedLegend_->show();
  for (QLabel* legend : accelLegend_) legend->hide();
}

void CScopeMenu::AccelTabPressed() {
  if (!speedActive_) return;
  speedActive_ = false;
  ShowTabs();
  scope_.ShowAccelView();
  speedLegend_->hide();
  for (QLabel* legend : accelLegend_) legend->show();
}

void CScopeMenu::ApplyLanguage(int uiLanguage) {
  uiLanguage_ = uiLanguage;
  const StringTable& strings = scope_.context().strings;
  const int index = StringTableIndex(uiLanguage);
  speedLegend_->setText(strings.Text(index, kSpeedLegendText));
  for (size_t i = 0; i < accelLegend_.size(); ++i)
    accelLegend_[i]->setText(strings.Text(index, kAccelLegendTexts[i]));
  ShowTabs();
  Layout();
}

void CScopeMenu::ShowTabs() {
  speedTab_->SetPicture(SpeedTabPicture(uiLanguage_, speedActive_));
  accelTab_->SetPicture(AccelTabPicture(uiLanguage_, !speedActive_));
}

void CScopeMenu::keyPressEvent(QKeyEvent* event) {
  // Escape would otherwise reach the main window.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CScopeMenu::resizeEvent(QResizeEvent*) { Layout(); }

void CScopeMenu::Layout() {
  const int h = height();
  const int r = width();
  speedTab_->setGeometry(0, 0, 38, h);
  accelTab_->setGeometry(39, 0, uiLanguage_ == kLangEnglish ? 58 : 45, h);
  speedLegend_->setGeometry(r - 129, 0, 115, h);
  for (size_t i = 0; i < accelLegend_.size(); ++i) {
    accelLegend_[i]->setGeometry(r - 153 + 48 * static_cast<int>(i), 0, 43, h);
  }
  FitLegend();
}

void CScopeMenu::FitLegend() {
  FitTextsInto(*speedLegend_, {speedLegend_->text()});
  for (QLabel* legend : accelLegend_) FitTextsInto(*legend, {legend->text()});
}
