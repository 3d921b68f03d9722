#pragma once

#include <QColor>
#include <QLabel>

// A label drawn in one text colour on its parent's background (no fill of
// its own) or on a brush of its own, its text shrunk to fit its width.
class CExStatic : public QLabel {
 public:
  explicit CExStatic(QWidget* parent, const QColor& text = Qt::white);

  void SetTextColor(const QColor& text);
  // Fills the label with `brush`; an invalid colour keeps it transparent.
  void SetBackground(const QColor& brush);
  // Sets the text and fits it to the label.
  void SetText(const QString& text);

 protected:
  void resizeEvent(QResizeEvent* event) override;
};
