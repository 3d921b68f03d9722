#include "corvane/instruments/scope_dlg.h"

#include <QPushButton>

#include <utility>

#include "corvane/app/app_context.h"
#include "corvane/app/player_settings.h"
#include "corvane/instruments/scope.h"

namespace {

// A burst of size changes (a window being dragged larger) lays the charts
// out once.
constexpr int kLayoutDelayMs = 50;
const QColor kPanelBackground(88, 92, 95);

}  // namespace

CScopeDlg::CScopeDlg(const PlayerSettings& settings, const AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName("CScopeDlg");
  QPalette colours = palette();
  colours.setColor(QPalette::Window, kPanelBackground);
  setPalette(colours);
  setAutoFillBackground(true);

  // The template's button, covered by the charts: it shows the speed view.
  speedButton_ = new QPushButton(QString::fromUtf8("速 度"), this);
  speedButton_->setObjectName("ctl_225");
  speedButton_->hide();
  connect(speedButton_, &QPushButton::clicked, this, &CScopeDlg::ShowSpeedView);

  speed_ = new Cscope(settings.bkColor, context.osVersionCode, this);
  speed_->setObjectName("ctl_465");
  accel_ = new Cscope(settings.bkColor, context.osVersionCode, this);
  accel_->setObjectName("ctl_544");
  accel_->hide();

  layoutTimer_.setSingleShot(true);
  layoutTimer_.setInterval(kLayoutDelayMs);
  connect(&layoutTimer_, &QTimer::timeout, this, &CScopeDlg::LayoutCharts);
  LayoutCharts();
}

Cscope* CScopeDlg::speedChart() const { return speed_; }
Cscope* CScopeDlg::accelChart() const { return accel_; }
int CScopeDlg::view() const { return view_; }

void CScopeDlg::ShowSpeedView() {
  accel_->hide();
  speed_->show();
  view_ = 1;
}

void CScopeDlg::ShowAccelView() {
  speed_->hide();
  accel_->show();
  view_ = 2;
}

void CScopeDlg::ResetCharts() { LayoutCharts(); }

void CScopeDlg::AddSpeed(unsigned speed) { speed_->AddSpeedSample(static_cast<double>(speed)); }

void CScopeDlg::AddAccel(double x, double y, double z) { accel_->AddAccelSample(x, y, z); }

void CScopeDlg::resizeEvent(QResizeEvent*) { layoutTimer_.start(); }

void CScopeDlg::LayoutCharts() {
  // The charts cover the panel; their area reaches 15 pixels past its left
  // edge and stops 2 short of its right and bottom edges.
  const QRect client = rect();
  const QRect area(client.x() - 15, client.y(), client.width() - 2 + 15, client.height() - 2);
  for (auto [chart, axisSet] : {std::pair{speed_, 0}, std::pair{accel_, 1}}) {
    chart->setGeometry(client);
    chart->SetScopeArea(area, axisSet);
    chart->ResetScope();
  }
}
