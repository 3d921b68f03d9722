#pragma once

#include <QPushButton>

// The program's push button: a text button that never becomes the default
// button of its panel, whose text shrinks to fit its width, optionally
// without a background of its own so that it sits on the panel's colour.
class CButtonST : public QPushButton {
 public:
  explicit CButtonST(QWidget* parent);

  void SetTransparent(bool transparent);
  // Sets the text and fits it to the button.
  void SetText(const QString& text);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FitText();
};
