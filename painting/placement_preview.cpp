#include "placement_preview.h"

#include "canvas_view.h"

#include <QPainter>

namespace kivo {

namespace {

// Quiet beside the figure's dark sides and red centres, and apart from each other: a calm blue
// for what would be added, a muted red for what would go.
const QColor PLACED_LINE(45, 120, 200);
const QColor PLACED_FILL(45, 120, 200, 40);
const QColor DELETED_LINE(200, 80, 70);
const QColor DELETED_FILL(200, 80, 70, 45);
const QColor CURSOR_COLOUR(70, 70, 110);
constexpr int CURSOR_ARM = 5;
constexpr int CURSOR_GAP = 2;
// An antialiased 1-pixel outline reaches one pixel beyond its corners; one more for rounding.
constexpr int OUTLINE_MARGIN = 2;

void PaintOutline(QPainter& painter, const QPolygonF& outline, const QColor& line,
                  const QColor& fill) {
    if (outline.isEmpty()) {
        return;
    }
    painter.setPen(QPen(line, 1.0));
    painter.setBrush(fill);
    painter.drawPolygon(outline);
}

QPolygonF Mapped(const CanvasView& view, const QPolygonF& outline) {
    QPolygonF shown;
    shown.reserve(outline.size());
    for (const QPointF& corner : outline) {
        shown << MapToView(view, corner);
    }
    return shown;
}

QRect CursorBounds(QPoint at) {
    return QRect(at, at).adjusted(-CURSOR_ARM - 1, -CURSOR_ARM - 1, CURSOR_ARM + 1, CURSOR_ARM + 1);
}

} // namespace

QPolygonF ContentOutline(const Position* corners, int count) {
    QPolygonF outline;
    outline.reserve(count);
    for (int k = 0; k < count; ++k) {
        outline << QPointF(LevelToContentX(corners[k].x), LevelToContentY(corners[k].y));
    }
    return outline;
}

QPolygonF ContentOutline(const Shape& shape) {
    QPolygonF outline;
    const int count = OutlineLength(shape);
    outline.reserve(count);
    for (int k = 0; k < count; ++k) {
        outline << QPointF(ShapeToContentX(shape.entryX[k]), ShapeToContentY(shape.entryY[k]));
    }
    return outline;
}

PlacementPreview MapToView(const CanvasView& view, const PlacementPreview& preview) {
    if (IsPlainView(view)) {
        return preview;
    }
    PlacementPreview shown = preview;
    shown.placed = Mapped(view, preview.placed);
    shown.deleted = Mapped(view, preview.deleted);
    if (preview.cursor) {
        shown.cursor = MapToView(view, *preview.cursor);
    }
    return shown;
}

void PaintPlacementPreview(QPainter& painter, const PlacementPreview& preview) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    PaintOutline(painter, preview.deleted, DELETED_LINE, DELETED_FILL);
    PaintOutline(painter, preview.placed, PLACED_LINE, PLACED_FILL);
    if (preview.cursor) {
        // A cross with an open middle, so the point it marks stays visible.
        const QPoint c = preview.cursor->toPoint();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(CURSOR_COLOUR, 0));
        painter.drawLine(c.x() - CURSOR_ARM, c.y(), c.x() - CURSOR_GAP, c.y());
        painter.drawLine(c.x() + CURSOR_GAP, c.y(), c.x() + CURSOR_ARM, c.y());
        painter.drawLine(c.x(), c.y() - CURSOR_ARM, c.x(), c.y() - CURSOR_GAP);
        painter.drawLine(c.x(), c.y() + CURSOR_GAP, c.x(), c.y() + CURSOR_ARM);
    }
    painter.restore();
}

QRegion PreviewRegion(const PlacementPreview& preview) {
    QRegion region;
    for (const QPolygonF* outline : {&preview.placed, &preview.deleted}) {
        if (!outline->isEmpty()) {
            region += outline->boundingRect().toAlignedRect().adjusted(
                -OUTLINE_MARGIN, -OUTLINE_MARGIN, OUTLINE_MARGIN, OUTLINE_MARGIN);
        }
    }
    if (preview.cursor) {
        region += CursorBounds(preview.cursor->toPoint());
    }
    return region;
}

} // namespace kivo
