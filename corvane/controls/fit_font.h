#pragma once

#include <QString>

class QWidget;

// Gives `widget` the largest font, from its parent's font down to a floor
// of 7 pixels, in which `text` is at most `room` pixels wide. Panels with a
// fixed layout keep their texts whole in every language this way.
void FitFontToWidth(QWidget& widget, const QString& text, int room);
