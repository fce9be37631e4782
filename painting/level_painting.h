// Paints the drawing list with QPainter: the editor's canvas and kivo-level's pictures draw
// the level the same way.
#pragma once

#include "level/drawing.h"
#include "level/frames.h"

#include <QRect>

#include <vector>

class QPainter;

namespace kivo {

// The canvas in window content coordinates, where the drawing list is placed.
constexpr QRect CANVAS_AREA(CANVAS_LEFT, CANVAS_TOP, CANVAS_WIDTH, CANVAS_HEIGHT);

// The pixels the items from `first` on cover, in window content coordinates; empty for none.
QRect FigureBounds(const std::vector<DrawItem>& items, size_t first = 0);
// The pixels the level's connectors and centre dots cover, the crosshair left out.
QRect FigureBounds(const Level& level);

// Draws the items in order, in the painter's current coordinates (window content pixels).
void PaintDrawing(QPainter& painter, const std::vector<DrawItem>& items);

} // namespace kivo
