#pragma once

#include <QRect>

#include <vector>

// Arrangement of the eight video windows in the playback page: one window
// alone, or a grid of 4, 9 or 16 cells above the control bar's band.

inline constexpr int kVideoWindows = 8;
inline constexpr int kControlBandHeight = 50;

// The page's split state: the current count (1, 4, 9 or 16), the count a
// double click returns to, and the selected window.
struct SplitState {
  int count = 9;
  int previous = 1;
  int selected = 0;

  // Double click on window `window`: it alone, or back to the grid before.
  void Toggle(int window);
};

struct PlacedWindow {
  int window = 0;
  QRect rect;
};

struct SplitLayout {
  std::vector<PlacedWindow> shown;  // the windows shown, in cell order
  bool selectedFramed = false;      // the selected window is framed red (grids only)
  QRect controlBar;                 // the bar, clipped by the page to its band
};

// Cells for `state` in the page's client rectangle. A grid shows the run of
// windows holding the selected one (a four-grid with window 4..7 selected
// shows 4..7); a nine-grid leaves its last cell empty, and a sixteen-grid
// places only the eight windows there are.
SplitLayout LayoutSplit(const SplitState& state, const QRect& client);
