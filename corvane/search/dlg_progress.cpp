#include "corvane/search/dlg_progress.h"

#include <QLabel>
#include <QProgressBar>

namespace {

// Geometry of the template, in pixels.
constexpr int kWidth = 320;
constexpr int kHeight = 44;
constexpr int kBarTop = 4;
constexpr int kBarHeight = 18;
constexpr int kTextHeight = 18;

}  // namespace

CDlgProgress::CDlgProgress(QWidget* owner) : QWidget(owner) {
  setObjectName("ctl_749");
  bar_ = new QProgressBar(this);
  bar_->setObjectName("ctl_387");
  bar_->setTextVisible(false);
  bar_->setGeometry(0, kBarTop, kWidth, kBarHeight);
  text_ = new QLabel(QString::fromUtf8("播放列表生成中..."), this);
  text_->setObjectName("ctl_static");
  text_->setGeometry(0, kBarTop + kBarHeight + 1, kWidth, kTextHeight);
  // Stays hidden when the owner is shown; the owner shows it when needed.
  hide();
  resize(kWidth, kHeight);
}

void CDlgProgress::SetText(const QString& text) { text_->setText(text); }

void CDlgProgress::SetRange(int minimum, int maximum) {
  bar_->setRange(minimum, maximum);
}

void CDlgProgress::SetPos(int position) { bar_->setValue(position); }

void CDlgProgress::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QRect bar = bar_->geometry();
  bar_->setGeometry(0, bar.y(), width(), bar.height());
  text_->setGeometry(0, bar.y() + bar.height() + 1, width(),
                     text_->height());
}
