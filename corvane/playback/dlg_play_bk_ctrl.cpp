#include "corvane/playback/dlg_play_bk_ctrl.h"

#include <QDir>
#include <QKeyEvent>
#include <QSlider>
#include <QStandardPaths>
#include <QToolButton>

#include "corvane/app/app_context.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/theme.h"
#include "corvane/controls/bar_icon.h"
#include "corvane/controls/ex_static.h"
#include "corvane/controls/pro_slider_ctrl.h"
#include "corvane/playback/playback_controller.h"
#include "corvane/search/dlg_delay_notify.h"
#include "corvane/search/dlg_file_list.h"

namespace {

constexpr int kNoticeTitle = 220;
constexpr int kPauseText = 251;
constexpr int kStopText = 244;
constexpr int kNoticeSeconds = 10;
constexpr const char* kStoppedTime = "00:00 / 00:00";

struct ButtonSpec {
  int id;
  int tip;
  BarIcon icon;
};
// In BarButton order.
constexpr std::array<ButtonSpec, kBarButtons> kButtons{{
    {219, 243, BarIcon::kPlay},      {232, 251, BarIcon::kPause},    {220, 244, BarIcon::kStop},
    {218, 494, BarIcon::kRewind},    {221, 246, BarIcon::kFast},     {222, 245, BarIcon::kSlow},
    {223, 495, BarIcon::kPrevious},  {224, 496, BarIcon::kNext},     {241, 628, BarIcon::kStepBack},
    {239, 627, BarIcon::kStepForward},
}};
// In BarPicture order.
constexpr std::array<ButtonSpec, kBarPictures> kPictures{{
    {231, 545, BarIcon::kConvertAvi}, {230, 544, BarIcon::kCapture}, {234, 498, BarIcon::kTelemetry},
    {233, 497, BarIcon::kFullScreen}, {236, 543, BarIcon::kSplit9},  {463, 542, BarIcon::kSplit4},
    {462, 541, BarIcon::kSplit1},
}};
constexpr int kSoundTip = 546;
constexpr int kWatermarkTip = 547;

QToolButton* Button(int id, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString("ctl_%1").arg(id));
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

// Snapshots go beside the program where it may write (a portable copy),
// else into the user's pictures.
QString SnapshotFolder(const QString& programDir) {
  if (FolderIsWritable(programDir)) return programDir;
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + "/Corvane";
  QDir().mkpath(pictures);
  return pictures;
}

void Place(QWidget* widget, const QRect& rect) {
  widget->setGeometry(rect);
  if (auto* button = qobject_cast<QToolButton*>(widget)) {
    const int side = std::max(rect.height() - 4, 8);
    button->setIconSize(QSize(side, side));
  }
}

}  // namespace

CDlgPlayBkCtrl::CDlgPlayBkCtrl(PlaybackController& controller, PlayerSettings& settings, AppContext& context,
                               QWidget* parent)
    : QWidget(parent), controller_(controller), settings_(settings), context_(context) {
  setObjectName("CDlgPlayBkCtrl");
  UsePanelTheme(*this, settings.bkColor);
  ink_ = IsDarkTheme(settings.bkColor) ? QColor(235, 235, 235) : QColor(40, 44, 52);
  setFocusPolicy(Qt::StrongFocus);

  progress_ = new CProSliderCtrl(this);
  progress_->setObjectName("ctl_229");
  progress_->setRange(0, 0);
  for (int i = 0; i < kBarButtons; ++i) {
    buttons_[static_cast<size_t>(i)] = Button(kButtons[static_cast<size_t>(i)].id, this);
    buttons_[static_cast<size_t>(i)]->setIcon(BarIconFor(kButtons[static_cast<size_t>(i)].icon, ink_));
  }
  for (int i = 0; i < kBarPictures; ++i) {
    pictures_[static_cast<size_t>(i)] = Button(kPictures[static_cast<size_t>(i)].id, this);
    pictures_[static_cast<size_t>(i)]->setIcon(BarIconFor(kPictures[static_cast<size_t>(i)].icon, ink_));
  }
  // The AVI conversion arrives with its dialog.
  pictures_[static_cast<size_t>(BarPicture::kConvertAvi)]->setEnabled(false);
  split16_ = Button(237, this);
  split16_->hide();
  sound_ = Button(458, this);
  watermark_ = Button(459, this);

  volume_ = new QSlider(Qt::Horizontal, this);
  volume_->setObjectName("ctl_235");
  volume_->setRange(0, 0xFFFF);
  volume_->setPageStep(327);
  volume_->setValue(controller_.volume());
  volume_->setFocusPolicy(Qt::NoFocus);
  opacity_ = new QSlider(Qt::Horizontal, this);
  opacity_->setObjectName("ctl_238");
  opacity_->setRange(0, 100);
  opacity_->setPageStep(10);
  opacity_->setValue(settings.watermarkAlpha);
  opacity_->setFocusPolicy(Qt::NoFocus);

  rate_ = new CExStatic(this, palette().color(QPalette::WindowText));
  rate_->setObjectName("ctl_385");
  rate_->setAlignment(Qt::AlignCenter);
  time_ = new CExStatic(this, palette().color(QPalette::WindowText));
  time_->setObjectName("ctl_541");
  time_->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
  time_->SetText(kStoppedTime);
  notice_ = new CDlgDelayNotiFy(context_, this);

  controller_.SetWatermark(settings.programDir + "/watermark.png", settings.watermarkEnable != 0,
                           settings.watermarkAlpha);
  Connect();
  ShowRate();
  ShowSound();
  ShowWatermark();
  RetextToolTips();
}

void CDlgPlayBkCtrl::Connect() {
  const auto on = [this](BarButton which, auto action) {
    connect(buttons_[static_cast<size_t>(which)], &QToolButton::clicked, this, action);
  };
  on(BarButton::kPlay, [this] { PlayPressed(); });
  on(BarButton::kPause, [this] { controller_.Pause(); });
  on(BarButton::kStop, [this] { StopPressed(); });
  on(BarButton::kRewind, [this] { controller_.Rewind(); });
  on(BarButton::kFast, [this] { controller_.Fast(); });
  on(BarButton::kSlow, [this] { controller_.Slow(); });
  on(BarButton::kPrevious, [this] { controller_.PreviousEntry(); });
  on(BarButton::kNext, [this] { controller_.NextEntry(); });
  on(BarButton::kStepBack, [this] { controller_.Step(true); });
  on(BarButton::kStepForward, [this] { controller_.Step(false); });

  const auto picture = [this](BarPicture which, auto action) {
    connect(pictures_[static_cast<size_t>(which)], &QToolButton::clicked, this, action);
  };
  picture(BarPicture::kSplit1, [this] { emit splitRequested(1); });
  picture(BarPicture::kSplit4, [this] { emit splitRequested(4); });
  picture(BarPicture::kSplit9, [this] { emit splitRequested(9); });
  connect(split16_, &QToolButton::clicked, this, [this] { emit splitRequested(16); });
  picture(BarPicture::kFullScreen, [this] { emit fullScreenRequested(); });
  picture(BarPicture::kTelemetry, [this] {
    telemetryHidden_ = !telemetryHidden_;
    emit telemetryToggled(telemetryHidden_);
  });
  picture(BarPicture::kCapture, [this] { Snapshot(); });

  connect(sound_, &QToolButton::clicked, this, [this] {
    controller_.SetVolume(volume_->value());
    controller_.SetSoundOn(!controller_.soundOn());
    ShowSound();
  });
  connect(volume_, &QSlider::sliderReleased, this, [this] { controller_.SetVolume(volume_->value()); });
  connect(watermark_, &QToolButton::clicked, this, [this] {
    controller_.SetWatermarkOn(!controller_.watermarkOn());
    if (context_.settingsFile != nullptr)
      context_.settingsFile->SaveWatermarkEnable(settings_, controller_.watermarkOn() ? 1 : 0);
    ShowWatermark();
  });
  connect(opacity_, &QSlider::sliderReleased, this, [this] {
    controller_.SetWatermarkAlpha(opacity_->value());
    settings_.watermarkAlpha = controller_.watermarkAlpha();
    if (context_.settingsFile != nullptr) context_.settingsFile->SaveWatermarkAlpha(controller_.watermarkAlpha());
  });

  connect(progress_, &CProSliderCtrl::seekRequested, this, [this] { controller_.Seek(progress_->value()); });
  connect(progress_, &CProSliderCtrl::scrubRequested, this, [this] { controller_.Scrub(progress_->value()); });
  connect(&controller_, &PlaybackController::positionChanged, this, [this](int ms) {
    if (!progress_->dragging()) progress_->setValue(ms);
  });
  connect(&controller_, &PlaybackController::opened, this, [this](int durationMs) {
    progress_->setRange(0, std::max(durationMs, 0));
    progress_->setValue(0);
    volume_->setValue(controller_.volume());
  });
  connect(&controller_, &PlaybackController::stopped, this, [this] {
    progress_->setValue(0);
    time_->SetText(kStoppedTime);
  });
  connect(&controller_, &PlaybackController::rateShown, this, &CDlgPlayBkCtrl::ShowRate);
}

void CDlgPlayBkCtrl::PlayPressed() {
  if (context_.fileList != nullptr && context_.fileList->searching()) return;
  controller_.Play();
}

void CDlgPlayBkCtrl::StopPressed() {
  if (context_.fileList != nullptr) context_.fileList->ForgetCurrentEntry();
  controller_.Stop();
}

void CDlgPlayBkCtrl::Snapshot() {
  if (!controller_.hasDecoder()) return;
  const QString folder = SnapshotFolder(settings_.programDir);
  const QStringList names = controller_.Snapshot(folder, QDateTime::currentDateTime());
  if (names.isEmpty()) return;
  QStringList lines;
  for (const QString& name : names) lines << name + " saved OK.";
  notice_->SetFolder(folder);
  notice_->ShowNotice(LoadLangString(context_, kNoticeTitle), lines.join('\n'), QString(), kNoticeSeconds);
}

void CDlgPlayBkCtrl::RetextToolTips() {
  for (int i = 0; i < kBarButtons; ++i)
    buttons_[static_cast<size_t>(i)]->setToolTip(LoadLangString(context_, kButtons[static_cast<size_t>(i)].tip));
  for (int i = 0; i < kBarPictures; ++i)
    pictures_[static_cast<size_t>(i)]->setToolTip(LoadLangString(context_, kPictures[static_cast<size_t>(i)].tip));
  sound_->setToolTip(LoadLangString(context_, kSoundTip));
  watermark_->setToolTip(LoadLangString(context_, kWatermarkTip));
  ShowRate();
}

QString CDlgPlayBkCtrl::rateText() const { return rate_->text(); }
QString CDlgPlayBkCtrl::timeText() const { return time_->text(); }
void CDlgPlayBkCtrl::SetTimeText(const QString& text) { time_->SetText(text); }

void CDlgPlayBkCtrl::ShowRate() {
  const PlayRate& rate = controller_.rate();
  switch (rate.label()) {
    case RateLabel::kRate: rate_->SetText(rate.text()); break;
    case RateLabel::kPause: rate_->SetText(LoadLangString(context_, kPauseText)); break;
    case RateLabel::kStop: rate_->SetText(LoadLangString(context_, kStopText)); break;
  }
}

void CDlgPlayBkCtrl::ShowSound() {
  const bool on = controller_.soundOn();
  sound_->setIcon(BarIconFor(on ? BarIcon::kSoundOn : BarIcon::kSoundOff, ink_));
  volume_->setEnabled(on);
}

void CDlgPlayBkCtrl::ShowWatermark() {
  const bool on = controller_.watermarkOn();
  watermark_->setIcon(BarIconFor(on ? BarIcon::kWatermarkOn : BarIcon::kWatermarkOff, ink_));
  opacity_->setEnabled(on);
}

void CDlgPlayBkCtrl::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape: emit leaveFullScreenRequested(); break;
    case Qt::Key_Space:
      if (controller_.rate().paused()) {
        PlayPressed();
      } else {
        controller_.Pause();
      }
      break;
    case Qt::Key_Up: break;
    case Qt::Key_Left: controller_.Slow(); break;
    case Qt::Key_Right: controller_.Fast(); break;
    case Qt::Key_Down: controller_.NextEntry(); break;
    default: QWidget::keyPressEvent(event); return;
  }
  event->accept();
}

void CDlgPlayBkCtrl::resizeEvent(QResizeEvent*) {
  const ControlBarLayout layout = LayoutControlBar(0, 0, width());
  Place(progress_, layout.progress);
  for (int i = 0; i < kBarButtons; ++i) Place(buttons_[static_cast<size_t>(i)], layout.buttons[static_cast<size_t>(i)]);
  for (int i = 0; i < kBarPictures; ++i)
    Place(pictures_[static_cast<size_t>(i)], layout.pictures[static_cast<size_t>(i)]);
  Place(rate_, layout.rateText);
  Place(time_, layout.timeText);
  Place(volume_, layout.volume);
  Place(sound_, layout.sound);
  Place(opacity_, layout.opacity);
  Place(watermark_, layout.watermark);
}
