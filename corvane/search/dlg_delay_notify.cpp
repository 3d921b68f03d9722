#include "corvane/search/dlg_delay_notify.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kOpenFolderTextId = 548;
constexpr int kTickMs = 1000;
constexpr int kWidth = 420;
constexpr int kHeight = 180;

}  // namespace

CDlgDelayNotiFy::CDlgDelayNotiFy(const AppContext& context, QWidget* owner)
    : QDialog(owner), context_(context) {
  setObjectName("ctl_615");
  setModal(false);

  text_ = new QPlainTextEdit(this);
  text_->setObjectName("ctl_305");
  text_->setReadOnly(true);
  openFolder_ = new QPushButton(this);
  openFolder_->setObjectName("ctl_1");
  openFolder_->setEnabled(false);
  close_ = new QPushButton("CLOSE", this);
  close_->setObjectName("ctl_2");
  // Enter presses the button that has the focus, never an implicit default.
  openFolder_->setAutoDefault(false);
  close_->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(openFolder_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);
  resize(kWidth, kHeight);

  SetTexts();
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, [this] { OnTimer(); });
  connect(openFolder_, &QPushButton::clicked, this, [this] { OpenFolder(); });
  connect(close_, &QPushButton::clicked, this, [this] { OnClose(); });
}

void CDlgDelayNotiFy::ShowNotice(const QString& title, const QString& text,
                                 const QString& /*extra*/, int seconds) {
  if (countdown_ != 0) return;
  setWindowTitle(title);
  text_->setPlainText(text);
  // A negative count would never reach 0 and block every later notice.
  countdown_ = std::max(seconds, 0);
  timer_.start();
}

void CDlgDelayNotiFy::SetFolder(const QString& folder) {
  folder_ = folder;
  openFolder_->setEnabled(!folder_.isEmpty());
}

bool CDlgDelayNotiFy::OpenFolder() {
  // The folder goes to the desktop as a file URL, never through a command
  // line, so no character of its name can be read as more than a path.
  const QFileInfo info(folder_);
  if (folder_.isEmpty() || !info.isDir()) return false;
  return QDesktopServices::openUrl(
      QUrl::fromLocalFile(info.absoluteFilePath()));
}

void CDlgDelayNotiFy::OnTimer() {
  if (countdown_ == 0) {
    timer_.stop();
    hide();
    return;
  }
  close_->setText(QString::asprintf("CLOSE(%02d)", countdown_));
  --countdown_;
  show();
}

void CDlgDelayNotiFy::OnClose() {
  // The timer runs on; its next tick finds the countdown at 0 and stops.
  countdown_ = 0;
  hide();
}

void CDlgDelayNotiFy::reject() { OnClose(); }

void CDlgDelayNotiFy::SetTexts() {
  openFolder_->setText(LoadLangString(context_, kOpenFolderTextId));
}

void CDlgDelayNotiFy::paintEvent(QPaintEvent* event) {
  SetTexts();
  QDialog::paintEvent(event);
}
