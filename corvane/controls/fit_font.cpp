#include "corvane/controls/fit_font.h"

#include <QFontMetrics>
#include <QWidget>

void FitFontToWidth(QWidget& widget, const QString& text, int room) {
  constexpr int kSmallestPixels = 7;
  QFont font = widget.parentWidget() != nullptr ? widget.parentWidget()->font() : widget.font();
  int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height() - 2;
  font.setPixelSize(pixels);
  while (pixels > kSmallestPixels && QFontMetrics(font).horizontalAdvance(text) > room) {
    font.setPixelSize(--pixels);
  }
  widget.setFont(font);
}
