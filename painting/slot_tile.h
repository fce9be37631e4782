// Small pictures of levels, and the tile that shows one pack slot: the same painting as the
// canvas, scaled down. The overview window and kivo-level's contact sheet both draw tiles here.
#pragma once

#include "level/drawing.h"
#include "level/level.h"

#include <QImage>
#include <QString>

class QPainter;
class QRect;

namespace kivo {

// The canvas picture scaled to this size, keeping its proportions.
constexpr int THUMBNAIL_WIDTH = 166;
constexpr int THUMBNAIL_HEIGHT = 137;
constexpr int TILE_WIDTH = 176;
constexpr int TILE_HEIGHT = 196;

// The level as the canvas shows it, crosshair included, scaled to fit `width` x `height`.
QImage PaintThumbnail(const Level& level, int width = THUMBNAIL_WIDTH,
                      int height = THUMBNAIL_HEIGHT);

// What one tile shows: the thumbnail (null while it is being painted), the slot name, a
// caption line, and a mark label in its colour (empty for none).
struct TileView {
    QImage thumbnail;
    QString name;
    QString caption;
    QString mark;
    Colour markColour{0, 0, 0};
};

// Paints the tile into `area` (TILE_WIDTH x TILE_HEIGHT).
void PaintTile(QPainter& painter, const QRect& area, const TileView& tile);

} // namespace kivo
