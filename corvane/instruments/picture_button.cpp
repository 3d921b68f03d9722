#include "corvane/instruments/picture_button.h"

#include <QPainter>

#include "corvane/instruments/instrument_pictures.h"

CPictureButton::CPictureButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
}

void CPictureButton::SetPicture(int pictureId) {
  if (pictureId == pictureId_) return;
  pictureId_ = pictureId;
  setProperty("pictureId", pictureId);
  setAccessibleName(PictureWord(pictureId));
  update();
}

void CPictureButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintInstrumentPicture(painter, rect(), pictureId_, isDown());
}
