#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <vector>

class QWidget;

// A text that is cut or collides with another, as the check reports it.
struct TextFitProblem {
  QString object;  // path of object names from the root, class name where unnamed
  QString text;
  QString reason;
};

// Text the root widget paints on itself (not a child widget), such as the
// main window's caption.
struct PaintedText {
  QString name;  // how problems name it
  QString text;
  QRect rect;    // root coordinates; the painting is clipped to it
  int flags = Qt::AlignLeft | Qt::AlignTop;  // as given to QPainter::drawText
  QFont font;
};

// Checks what `root` and its visible descendants show (see ShownTexts),
// windows of their own excepted:
// - every text fits the room its widget gives it, in the widget's font;
// - no ancestor hides part of it (inside a scroll area only up to the
//   viewport, whose content may scroll);
// - no two widgets showing text overlap on screen unless one contains the
//   other;
// - every painted text fits its rectangle in its font and is not covered by
//   a descendant that shows text or paints a background.
// Returns the problems, widgets in tree order, then the painted texts; empty
// when everything fits. Layouts must have settled (process events first).
// Window thread only.
std::vector<TextFitProblem> CheckTextFit(const QWidget& root,
                                         const std::vector<PaintedText>& painted = {});
