// The marks the canvas lays over the figure before a click is made: the outline of the polygon
// a left click would place, the polygon a right click would delete, and the keyboard cursor.
#pragma once

#include "level/level.h"

#include <QPoint>
#include <QPolygonF>
#include <QRegion>

#include <optional>

class QPainter;

namespace kivo {

// All in window content coordinates, where the figure is painted.
struct PlacementPreview {
    QPolygonF placed;  // empty when a left click would place nothing
    QPolygonF deleted; // empty when a right click would delete nothing
    int16_t deletedId = 0;
    std::optional<QPointF> cursor;
};

struct CanvasView;

// The preview as a view of the canvas shows it; the same preview in the plain view.
PlacementPreview MapToView(const CanvasView& view, const PlacementPreview& preview);

// Corners in level pixels, as placement computes them.
QPolygonF ContentOutline(const Position* corners, int count);
// A shape's outline entries.
QPolygonF ContentOutline(const Shape& shape);

// Drawn after the figure, so that it lies over it; the figure stays readable through it.
void PaintPlacementPreview(QPainter& painter, const PlacementPreview& preview);

// The pixels PaintPlacementPreview touches, so that a move repaints those and no more.
QRegion PreviewRegion(const PlacementPreview& preview);

} // namespace kivo
