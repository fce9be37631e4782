// The plain scans that placement and the transforms must agree with, kept for the tests that
// compare the two and the benchmarks that measure the difference. The editor itself uses
// polygon.h and level_transform.h.
#pragma once

#include "level/level.h"
#include "level/random_source.h"
#include "polygon.h"

namespace kivo {

// PlacePolygon with every fresh id checked by scanning the lists.
PlaceResult PlacePolygonByScan(Level& level, RandomSource& random, float x, float y, uint8_t sides);

// CenterLevel and RotateLevel with the connector ends refreshed by scanning the points.
void CenterLevelByScan(Level& level);
void RotateLevelByScan(Level& level, float v);

} // namespace kivo
