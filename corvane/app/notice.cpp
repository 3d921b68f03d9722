#include "corvane/app/notice.h"

#include <QMessageBox>

namespace {

NoticeSink& Sink() {
  static NoticeSink sink;
  return sink;
}

}  // namespace

void SetNoticeSink(NoticeSink sink) { Sink() = std::move(sink); }

void ShowNotice(QWidget* owner, const QString& text, NoticeIcon icon) {
  if (Sink()) {
    Sink()(text, icon);
    return;
  }
  QMessageBox box(icon == NoticeIcon::kWarning ? QMessageBox::Warning : QMessageBox::NoIcon,
                  "Corvane Player", text, QMessageBox::Ok, owner);
  box.exec();
}
