#pragma once

#include <QRect>
#include <QString>

#include <vector>

class QWidget;

// One text a widget shows, measured in the widget's own font. Rectangles are
// in the widget's coordinates.
struct ShownText {
  QString text;
  // Where the text ends up: its full extent placed by the widget's
  // alignment inside `room` (larger than `room` when it does not fit).
  QRect drawn;
  // Where the widget lets it appear (its contents rectangle for the text).
  QRect room;
  // Content that scrolls sideways (an editable line, a text box with a
  // horizontal scroll bar or wrapping): only its height has to fit.
  bool widthScrolls = false;
  // Moves with a scroll position of the widget itself (header sections), so
  // ancestors hiding part of it do not cut it.
  bool scrollsInWidget = false;
};

// The texts `widget` itself shows: a label's text, a button's text, the
// current text of a combo box that cannot be edited, a group box's title, a
// line edit's text or placeholder, the first line of a text box (all of it
// in a direction that cannot scroll) and the titles of header sections.
// Empty for other widgets and when nothing is shown; children are not
// looked at. Window thread only.
std::vector<ShownText> ShownTexts(const QWidget& widget);
