#include "corvane/playback/dlg_video.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "corvane/app/app_context.h"
#include "corvane/playback/video_static.h"

namespace {

constexpr int kMargin = 2;
constexpr int kCutAndTurnToAvi = 449;

}  // namespace

CDlgVideo::CDlgVideo(int index, AppContext& context, int bkColor, QWidget* parent)
    : QWidget(parent), index_(index), context_(context), surface_(new CVideoStatic(index, bkColor, this)) {
  setObjectName(QString("CDlgVideo%1").arg(index));
}

void CDlgVideo::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  update();
}

void CDlgVideo::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(0, 0, 255));
  painter.setPen(selected_ ? QColor(255, 0, 0) : QColor(0, 0, 255));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CDlgVideo::resizeEvent(QResizeEvent*) {
  surface_->setGeometry(kMargin, kMargin, std::max(width() - 2 * kMargin, 0),
                        std::max(height() - 2 * kMargin, 0));
}

void CDlgVideo::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    emit selectRequested(index_);
  } else if (event->button() == Qt::RightButton) {
    QMenu menu(this);
    menu.addAction(LoadLangString(context_, kCutAndTurnToAvi))->setEnabled(false);
    menu.exec(event->globalPosition().toPoint());
  }
}

void CDlgVideo::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit toggleRequested(index_);
}
