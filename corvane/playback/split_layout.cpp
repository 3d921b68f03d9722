#include "corvane/playback/split_layout.h"

#include <algorithm>

namespace {

// The bar's own height; the page shows only its top band.
constexpr int kControlBarHeight = 450;

int ColumnsFor(int count) {
  int columns = 1;
  while ((columns + 1) * (columns + 1) <= count) ++columns;
  return columns;
}

}  // namespace

void SplitState::Toggle(int window) {
  selected = window;
  if (count == 1) {
    count = previous;
  } else {
    previous = count;
    count = 1;
  }
}

SplitLayout LayoutSplit(const SplitState& state, const QRect& client) {
  SplitLayout layout;
  const int count = std::max(state.count, 1);
  const int selected = std::clamp(state.selected, 0, kVideoWindows - 1);
  const QRect area(client.left(), client.top(), client.width(),
                   std::max(client.height() - kControlBandHeight, 0));
  const int areaBottom = area.top() + area.height();

  if (count == 1) {
    layout.shown.push_back({selected, area});
  } else {
    const int columns = ColumnsFor(count);
    const int windows = std::min(count, kVideoWindows);
    const int first = selected < windows ? 0 : windows;
    const int cellWidth = area.width() / columns;
    const int cellHeight = area.height() / columns;
    int window = first;
    for (int row = 0; row < columns; ++row) {
      for (int column = 0; column < columns; ++column) {
        if (window >= std::min(first + windows, kVideoWindows)) break;
        layout.shown.push_back({window, QRect(1 + column * cellWidth, 1 + row * cellHeight,
                                              cellWidth - 2, cellHeight - 2)});
        ++window;
      }
    }
    layout.selectedFramed = true;
  }
  layout.controlBar = QRect(area.left(), areaBottom, area.width(), kControlBarHeight);
  return layout;
}
