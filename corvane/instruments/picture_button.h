#pragma once

#include <QAbstractButton>

// A button that shows one of the instrument panels' pictures (see
// instrument_pictures.h), scaled to its own size. It carries no text of its
// own; the picture's word is its accessible name.
class CPictureButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit CPictureButton(QWidget* parent);

  // Shows picture `pictureId` (a resource number); 0 shows nothing.
  void SetPicture(int pictureId);
  int pictureId() const { return pictureId_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int pictureId_ = 0;
};
