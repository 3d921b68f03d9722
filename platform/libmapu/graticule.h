#pragma once

// The plain grid of meridians and parallels drawn under the tiles, so that
// a map without tiles still shows where and how large things are. Window
// thread (paints).

#include <QColor>

class QPainter;

namespace mapu {

class Viewport;

inline const QColor kMapBackground(236, 234, 228);
inline const QColor kGraticuleLine(170, 184, 200);
inline const QColor kGraticuleText(96, 108, 122);

// Degrees between lines, chosen so that lines lie about 100 px or more
// apart at `zoom`.
double GraticuleSpacing(int zoom);

// Draws the background and the grid over the whole of `viewport`.
void PaintGraticule(QPainter& painter, const Viewport& viewport);

}  // namespace mapu
