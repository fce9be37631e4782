// Moving the whole level: centring it on the canvas and turning it about the canvas centre.
#pragma once

#include "level/element_ops.h"
#include "level/level.h"

namespace kivo {

// The canvas centre in level pixels, on which the crosshair is drawn.
constexpr double CANVAS_CENTRE_X = 402.0;
constexpr double CANVAS_CENTRE_Y = 270.0;

// Mean level-pixel position of all points (NaN without points).
float MeanPointX(const Level& level);
float MeanPointY(const Level& level);

// How a transform brings the connectors' cached ends up to date; the scan serves as the
// reference the table lookup is measured against.
using RefreshEnds = void (*)(Level&);

// Shifts points, outline entries and shape centres so that the mean point lands on the canvas
// centre. A level without points stays where it is.
void CenterLevel(Level& level, RefreshEnds refresh = RefreshConnectorEnds);

// Turns the level about the canvas centre by the difference between v and the last rotation
// angle (degrees, clockwise on screen), and makes v the last rotation angle.
void RotateLevel(Level& level, float v, RefreshEnds refresh = RefreshConnectorEnds);

} // namespace kivo
