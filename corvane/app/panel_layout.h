#pragma once

// Places of the main window's panels for one client rectangle, in client
// coordinates. The top 30 pixels stay free for the caption band.
struct PanelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PanelRect&) const = default;
};

struct PanelLayout {
  PanelRect search;
  PanelRect fileList;
  PanelRect streamInfo;
  PanelRect map;
  PanelRect speedometer;
  PanelRect playback;
  PanelRect scope;
  PanelRect scopeStrip;
};

// Three columns: left (search, file list, stream box) a fifth of the width,
// right (map, speedometer) 23 percent, the centre the rest; the upper rows
// take 84 percent of the height. Divisions truncate towards zero, as the
// panels' own sizes were designed against.
PanelLayout ComputePanelLayout(int left, int top, int right, int bottom);

// The playback page in full-screen mode, in client coordinates: over the
// whole window but a strip for the caption buttons at the top, reaching a
// screen's width to the right. `frame` is the window with its frame,
// `client` its client area, both in screen coordinates.
PanelRect FullScreenRect(int frameLeft, int frameTop, int frameRight, int frameBottom, int clientLeft,
                         int clientTop, int clientRight, int screenWidth, int captionButtonHeight);

// The playback page while the telemetry panels are hidden: from the left
// column to the right edge and down to the bottom. One older desktop
// (`osVersionCode` 5) needs no margin on the right.
PanelRect WideVideoRect(int left, int top, int right, int bottom, int osVersionCode);

// Pixel widths of the file list's columns 0 to 5.
inline constexpr int kFileListColumnWidths[6] = {41, 68, 56, 56, 66, 106};
