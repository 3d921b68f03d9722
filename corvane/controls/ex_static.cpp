#include "corvane/controls/ex_static.h"

#include "corvane/controls/fit_font.h"

CExStatic::CExStatic(QWidget* parent, const QColor& text) : QLabel(parent) {
  setAutoFillBackground(false);
  SetTextColor(text);
}

void CExStatic::SetTextColor(const QColor& text) {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, text);
  setPalette(colours);
}

void CExStatic::SetBackground(const QColor& brush) {
  QPalette colours = palette();
  if (brush.isValid()) colours.setColor(QPalette::Window, brush);
  setPalette(colours);
  setAutoFillBackground(brush.isValid());
}

void CExStatic::SetText(const QString& text) {
  setText(text);
  FitFontToWidth(*this, text, contentsRect().width());
}

void CExStatic::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  FitFontToWidth(*this, text(), contentsRect().width());
}
