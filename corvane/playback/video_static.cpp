#include "corvane/playback/video_static.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include "corvane/app/theme.h"
#include "corvane/playback/video_gl_view.h"
#include "corvane/playback/video_path.h"

namespace {

QColor IdleColor(int bkColor) { return IsDarkTheme(bkColor) ? QColor(Qt::black) : QColor(88, 92, 95); }

unsigned FormatsFor(VideoPath path) {
  if (path == VideoPath::kOpenGl) return 1u << BR_PIXFMT_I420;
  return 1u << BR_PIXFMT_BGR24;
}

}  // namespace

QRect FitPicture(const QSize& picture, const QRect& area) {
  if (picture.isEmpty() || area.isEmpty()) return {};
  const QSize fitted = picture.scaled(area.size(), Qt::KeepAspectRatio);
  return QRect(area.left() + (area.width() - fitted.width()) / 2,
               area.top() + (area.height() - fitted.height()) / 2, fitted.width(), fitted.height());
}

CVideoStatic::CVideoStatic(int index, int bkColor, QWidget* parent)
    : QWidget(parent),
      index_(index),
      bkColor_(bkColor),
      // The wake only queues a repaint; the queued call is dropped if this
      // surface is gone by the time it is delivered.
      slot_(FormatsFor(ChosenVideoPath()),
            [this] { QMetaObject::invokeMethod(this, [this] { Repaint(); }, Qt::QueuedConnection); }) {
  setObjectName(QString("CVideoStatic%1").arg(index));
  // Every pixel is painted here: no background fill before each picture.
  setAttribute(Qt::WA_OpaquePaintEvent);
  if (ChosenVideoPath() == VideoPath::kOpenGl) {
    // The surfaces' windows make their ancestors native, but no sibling of
    // theirs need be.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    gl_ = new CVideoGlView(*this);
    glContainer_ = gl_->Embed();
  }
}

void CVideoStatic::Repaint() {
  if (gl_ != nullptr) {
    gl_->update();
  } else {
    update();
  }
}

void CVideoStatic::Clear() {
  SlotPicture discarded;
  slot_.TakeNewest(discarded);
  shown_ = {};
  Repaint();
}

bool CVideoStatic::TakePicture() {
  if (!slot_.TakeNewest(shown_)) return false;
  ++painted_;
  return true;
}

void CVideoStatic::PaintIdle(QPainter& painter, const QRect& area) const {
  painter.fillRect(area, IdleColor(bkColor_));
  painter.setPen(Qt::white);
  painter.setFont(font());
  painter.drawText(area, kCaptionFlags, CaptionText());
}

void CVideoStatic::resizeEvent(QResizeEvent*) {
  if (glContainer_ != nullptr) glContainer_->setGeometry(rect());
}

void CVideoStatic::paintEvent(QPaintEvent*) {
  if (gl_ != nullptr) return;  // the OpenGL face covers the surface
  TakePicture();
  QPainter painter(this);
  if (shown_.empty()) {
    PaintIdle(painter, rect());
    return;
  }
  // 32-bit RGB is the raster engine's fast path for the smooth scaled draw:
  // in memory its pixels are the picture's blue, green and red and one more
  // byte, so the conversion is a plain widening, into a buffer kept.
  if (rgb32_.width() != shown_.width || rgb32_.height() != shown_.height)
    rgb32_ = QImage(shown_.width, shown_.height, QImage::Format_RGB32);
  const int rowBytes = shown_.RowBytes();
  for (int row = 0; row < shown_.height; ++row) {
    const uint8_t* from = shown_.pixels.data() + static_cast<size_t>(row) * rowBytes;
    auto* to = reinterpret_cast<uint32_t*>(rgb32_.scanLine(row));
    for (int col = 0; col < shown_.width; ++col, from += 3)
      to[col] = 0xFF000000u | (uint32_t{from[2]} << 16) | (uint32_t{from[1]} << 8) | from[0];
  }
  const QRect fitted = FitPicture(rgb32_.size(), rect());
  const QRegion bars = QRegion(rect()).subtracted(fitted);
  for (const QRect& bar : bars) painter.fillRect(bar, Qt::black);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(fitted, rgb32_);
}
