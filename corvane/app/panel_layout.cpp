#include "corvane/app/panel_layout.h"

PanelLayout ComputePanelLayout(int left, int top, int right, int bottom) {
  const int height = bottom - top;
  const int c = left + 5;
  const int d = (right - c) * 20 / 100 + 5;
  const int r = (right - c) * 23 / 100;
  const int v = height * 84 / 100;

  PanelLayout layout;
  layout.search = {c, top + 30, d, 105};
  layout.fileList = {c - 11, top + 135, d + 11, v - top - 135};
  layout.streamInfo = {c, v, d, bottom - v};
  layout.map = {right - r, top + 30, r - 5, v - top - 30};
  layout.speedometer = {right - r, v + 2, r - 5,
                        (height - height * 72 / 100) + 18};
  const int x0 = c + d + 2;
  const int w = (right - r) - x0 - 2;
  layout.playback = {x0, top + 30, w, v - top - 30};
  layout.scope = {x0, v, w, bottom - v - 17};
  layout.scopeStrip = {x0, bottom - 17, w, 17};
  return layout;
}

PanelRect FullScreenRect(int frameLeft, int frameTop, int frameRight, int frameBottom, int clientLeft,
                         int clientTop, int clientRight, int screenWidth, int captionButtonHeight) {
  const int left = frameLeft - clientLeft;
  const int top = captionButtonHeight + frameTop - clientTop + 4;
  const int right = frameRight + screenWidth - clientRight;
  return {left, top, right - left, frameBottom - top};
}

PanelRect WideVideoRect(int left, int top, int right, int bottom, int osVersionCode) {
  const int x = (right - left) * 20 / 100 + 7;
  const int edge = osVersionCode == 5 ? right : right - 2;
  return {x, top, edge - x, bottom - top};
}
