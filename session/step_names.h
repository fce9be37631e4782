// The names a designer reads for polygons and steps: in the Edit menu ("Undo Place Hexagon")
// and wherever a polygon is described.
#pragma once

#include <QString>

#include <cstdint>

namespace kivo {

// "Triangle" ... "Dodecagon" for 3 to 12 sides; "Polygon" for any other count.
QString PolygonName(int sides);

// The file name shown in a step's name: the last part of the path.
QString StepFileName(const QString& path);

} // namespace kivo
