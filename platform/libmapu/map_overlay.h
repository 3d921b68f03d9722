#pragma once

// What the map draws over its tiles: tracks with their markers, and
// vehicles with their labels, and how each is painted. Positions are kept
// in normalised world coordinates (see mercator.h), already in the tile
// datum. Window thread only.

#include <map>
#include <memory>
#include <vector>
#include <QColor>
#include <QPointF>
#include <QString>
#include <QTextDocument>

#include "platform/libmapu/gps_datum.h"

class QPainter;

namespace mapu {

class Viewport;

inline const QColor kTrackColour(230, 0, 0);
constexpr double kTrackWidth = 3;  // pixels

struct TrackMarker {
  int style = 0;
  bool placed = false;  // false until the first TKUpdateMarker
  QPointF world;
};

struct Track {
  std::vector<QPointF> points;  // world coordinates, in pushed order
  std::map<int32_t, TrackMarker> markers;
};

struct Vehicle {
  QString name;
  int icon = 0;
  bool placed = false;  // false until the first position
  LonLat position;      // tile datum
  QPointF world;
  int sector = 0;  // heading, 0-7 clockwise from north
  std::unique_ptr<QTextDocument> label;
};

// A rich-text document for a label that loads nothing from outside (no
// pictures, no style sheets), whatever the text names.
std::unique_ptr<QTextDocument> MakeLabelDocument(const QString& html);

void PaintTrack(QPainter& painter, const Viewport& viewport, const Track& track);
void PaintMarkers(QPainter& painter, const Viewport& viewport, const Track& track);
void PaintVehicle(QPainter& painter, const Viewport& viewport, const Vehicle& vehicle, bool selected);

}  // namespace mapu
