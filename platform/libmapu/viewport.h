#pragma once

// What part of the Web-Mercator world a view shows: a centre, a zoom level
// and the view's size in pixels. Value type; any thread.

#include <QList>
#include <QPointF>
#include <QSize>

#include "platform/libmapu/tile_source.h"

namespace mapu {

struct PlacedTile {
  TileKey key;
  QPointF topLeft;  // view pixels
};

class Viewport {
 public:
  // Tiles placed at most; a larger view leaves its rim without tiles.
  static constexpr qsizetype kMaxTiles = 1024;

  Viewport(QPointF centreWorld, int zoom, QSize size) : centre_(centreWorld), zoom_(zoom), size_(size) {}

  int zoom() const { return zoom_; }
  QSize size() const { return size_; }
  QPointF toView(QPointF world) const;
  QPointF toWorld(QPointF viewPixel) const;
  // The tiles covering the view, nearest the centre first. Columns wrap
  // around the antimeridian; rows beyond the poles are left out.
  QList<PlacedTile> tiles() const;

 private:
  QPointF centre_;  // normalised world coordinates
  int zoom_;
  QSize size_;
};

}  // namespace mapu
