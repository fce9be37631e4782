// Small pictures of levels, and the tile that shows one pack slot: the same painting as the
// canvas, scaled to fit. The overview window and kivo-level's contact sheet both draw tiles here.
#pragma once

#include "level/drawing.h"
#include "level/level.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

class QPainter;

namespace kivo {

constexpr int THUMBNAIL_WIDTH = 166;
constexpr int THUMBNAIL_HEIGHT = 121;
constexpr int TILE_WIDTH = 176;
constexpr int TILE_HEIGHT = 196;
constexpr int TILE_MARGIN = 5;
constexpr int LINE_GAP = 2;

// A thumbnail keeps a band this high along its top for the tile's mark, and this margin
// inside its other sides, free of the figure.
constexpr int MARK_HEIGHT = 16;
constexpr int THUMBNAIL_MARGIN = 4;
// A lone polygon blown up to the frame would pass for a large level; a small figure is
// enlarged at most this much over the canvas.
constexpr double MAX_THUMBNAIL_SCALE = 2.0;

// Where a tile's name and caption lines go, relative to the tile's top left corner.
constexpr QRect TILE_TEXT_AREA(TILE_MARGIN, TILE_MARGIN + THUMBNAIL_HEIGHT + LINE_GAP,
                               TILE_WIDTH - 2 * TILE_MARGIN,
                               TILE_HEIGHT - (TILE_MARGIN + THUMBNAIL_HEIGHT + LINE_GAP));

// The level's figure fitted into `width` x `height` below the mark's band, with a margin; a
// level with nothing to draw shows the whole canvas with its crosshair.
QImage PaintThumbnail(const Level& level, int width = THUMBNAIL_WIDTH,
                      int height = THUMBNAIL_HEIGHT);

// What one tile shows: the thumbnail (null while it is being painted), the slot name, the
// caption's lines, and a mark label in its colour (empty for none).
struct TileView {
    QImage thumbnail;
    QString name;
    QString caption;
    QString mark;
    Colour markColour{0, 0, 0};
};

// How a tile's text is set in TILE_TEXT_AREA: the name in bold, then the caption's lines. A
// caption line too wide for the tile breaks at its " · ", and the font shrinks until every
// line fits whole, so counts are never cut.
struct TileText {
    QFont font;
    QStringList captionLines;
    int lineHeight = 0;
};
TileText LayOutTileText(QFont font, const TileView& tile);

// Paints the tile into `area` (TILE_WIDTH x TILE_HEIGHT).
void PaintTile(QPainter& painter, const QRect& area, const TileView& tile);

} // namespace kivo
