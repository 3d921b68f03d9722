#include "corvane/controls/fit_font.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

namespace {

// What the text covers when drawn: a glyph's overhang can reach past its
// advance, and a label draws within its bounding rectangle.
int DrawnWidth(const QFont& font, const QString& text) {
  const QFontMetrics metrics(font);
  constexpr int kUnbounded = 1 << 20;
  return std::max(metrics.horizontalAdvance(text),
                  metrics.boundingRect(QRect(0, 0, kUnbounded, kUnbounded), 0, text).width());
}

}  // namespace

void FitFontToWidth(QWidget& widget, const QString& text, int room) {
  constexpr int kSmallestPixels = 7;
  QFont font = widget.parentWidget() != nullptr ? widget.parentWidget()->font() : widget.font();
  int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height() - 2;
  font.setPixelSize(pixels);
  while (pixels > kSmallestPixels && DrawnWidth(font, text) > room) {
    font.setPixelSize(--pixels);
  }
  widget.setFont(font);
}
