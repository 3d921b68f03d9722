#pragma once

// Web-Mercator (the projection of XYZ "slippy map" tiles). Positions on the
// map are kept as normalised world coordinates: x from 0 (180° W) to 1
// (180° E), y from 0 (85.05° N) to 1 (85.05° S). Pure functions.

#include <cstdint>
#include <QPointF>

#include "platform/libmapu/gps_datum.h"

namespace mapu {

constexpr int kTileSize = 256;  // pixels
constexpr int kMinZoom = 2;
constexpr int kMaxZoom = 19;
// Beyond this latitude Web-Mercator has no tiles; positions are clamped.
constexpr double kMaxMercatorLatitude = 85.0511287798;

QPointF ToWorld(LonLat p);
LonLat FromWorld(QPointF world);
// Width of the whole world in pixels at `zoom`.
double WorldPixels(int zoom);
// Tiles along one side of the world at `zoom`.
int32_t TilesPerSide(int zoom);

}  // namespace mapu
