// The names a designer reads for polygons: in the Edit menu ("Undo Place Hexagon") and
// wherever a polygon is described.
#pragma once

#include <QString>

#include <cstdint>

namespace kivo {

// "Triangle" ... "Dodecagon" for 3 to 12 sides; "Polygon" for any other count.
QString PolygonName(int sides);

} // namespace kivo
