#pragma once

#include <QStringList>

class QWidget;

// Gives `widget` (a label, a frameless read-only line edit or a drop-down
// list) the largest font, from its panel's font down to 7 pixels, in which
// each of `texts` fits the room the widget gives its text in width and in
// height; condensed letters when 8 pixels are still too wide. The instrument
// panels' rectangles are fixed and small; every language must fit them.
void FitTextsInto(QWidget& widget, const QStringList& texts);
