// Moving the whole level: centring it on the canvas and turning it about the canvas centre.
#pragma once

#include "level/level.h"

namespace kivo {

// Mean level-pixel position of all points (NaN without points).
float MeanPointX(const Level& level);
float MeanPointY(const Level& level);

// Shifts points, outline entries and shape centres so that the mean point lands on the canvas
// centre. A level without points stays where it is.
void CenterLevel(Level& level);

// Turns the level about the canvas centre by the difference between v and the last rotation
// angle (degrees, clockwise on screen), and makes v the last rotation angle.
void RotateLevel(Level& level, float v);

} // namespace kivo
