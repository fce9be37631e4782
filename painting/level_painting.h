// Paints the drawing list with QPainter: the editor's canvas and kivo-level's pictures draw
// the level the same way.
#pragma once

#include "level/drawing.h"

#include <vector>

class QPainter;

namespace kivo {

// Draws the items in order, in the painter's current coordinates (window content pixels).
void PaintDrawing(QPainter& painter, const std::vector<DrawItem>& items);

} // namespace kivo
