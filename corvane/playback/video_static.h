#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>

#include "corvane/playback/picture_slot.h"

class CVideoGlView;
class QPainter;

// The drawing surface of one video window and the presentation target of
// its channel. The library's pictures arrive on its channel thread and are
// painted here, the newest only, scaled to the surface with their aspect
// ratio kept. With no picture the surface shows the idle caption CAMn on
// the theme's colour.
//
// Where OpenGL works a CVideoGlView covers the surface and the library hands
// over 4:2:0 pictures with an overlay of on-screen text and watermark,
// converted on the graphics processor. Otherwise the library converts to
// 24-bit BGR and composes text and watermark itself, and the
// surface paints with QPainter.
class CVideoStatic : public QWidget {
  Q_OBJECT

 public:
  CVideoStatic(int index, int bkColor, QWidget* parent);

  // The channel's window for BR_OpenFile; valid while this surface exists.
  BR_VIDEO_TARGET* target() { return slot_.target(); }
  // Back to the idle caption; a picture still in the slot is dropped.
  void Clear();

  // The idle caption as painted: its text and drawText flags, in rect().
  QString CaptionText() const { return QString("CAM%1").arg(index_ + 1); }
  static constexpr int kCaptionFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
  bool idle() const { return shown_.empty(); }

  const PictureSlot& slot() const { return slot_; }
  bool usesOpenGl() const { return gl_ != nullptr; }

  // For the painting face: the newest picture becomes the one shown (true
  // when there was a new one), and what is shown.
  bool TakePicture();
  const SlotPicture& shown() const { return shown_; }
  // The idle caption on the theme's colour.
  void PaintIdle(QPainter& painter, const QRect& area) const;
  // Pictures put on screen since creation.
  uint64_t paintedPictures() const { return painted_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Repaint();

  int index_;
  int bkColor_;
  PictureSlot slot_;
  SlotPicture shown_;
  QImage rgb32_;  // the software path's picture as drawn
  uint64_t painted_ = 0;
  CVideoGlView* gl_ = nullptr;      // owned by its container
  QWidget* glContainer_ = nullptr;
};

// Where a picture of `picture` size lies in `area`: as large as fits, its
// aspect ratio kept, centred.
QRect FitPicture(const QSize& picture, const QRect& area);
