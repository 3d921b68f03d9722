#include "corvane/controls/button_st.h"

#include "corvane/controls/fit_font.h"

CButtonST::CButtonST(QWidget* parent) : QPushButton(parent) {
  setFocusPolicy(Qt::TabFocus);
  setAutoDefault(false);
}

void CButtonST::SetTransparent(bool transparent) {
  setFlat(transparent);
  setAutoFillBackground(!transparent);
}

void CButtonST::FitText() {
  // Room of the frame and the style's margins on both sides.
  constexpr int kMargins = 8;
  FitFontToWidth(*this, text(), width() - kMargins);
}

void CButtonST::SetText(const QString& text) {
  setText(text);
  FitText();
}

void CButtonST::resizeEvent(QResizeEvent* event) {
  QPushButton::resizeEvent(event);
  FitText();
}
