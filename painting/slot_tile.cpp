#include "slot_tile.h"

#include "level_painting.h"

#include <QPainter>

namespace kivo {

namespace {

constexpr int TILE_MARGIN = 5;
constexpr int LINE_GAP = 2;

QColor ToQColor(Colour c) {
    return QColor(c.r, c.g, c.b);
}

void PaintMark(QPainter& painter, const QRect& picture, const TileView& tile) {
    if (tile.mark.isEmpty()) {
        return;
    }
    const QColor colour = ToQColor(tile.markColour);
    painter.setPen(QPen(colour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(picture.adjusted(1, 1, -1, -1));
    const QFontMetrics metrics = painter.fontMetrics();
    const QRect badge(picture.left(), picture.top(),
                      metrics.horizontalAdvance(tile.mark) + 2 * TILE_MARGIN,
                      metrics.height() + LINE_GAP);
    painter.fillRect(badge, colour);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, tile.mark);
}

} // namespace

QImage PaintThumbnail(const Level& level, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const double scale =
        std::min(double(width) / CANVAS_AREA.width(), double(height) / CANVAS_AREA.height());
    QPainter painter(&image);
    painter.translate((width - scale * CANVAS_AREA.width()) / 2,
                      (height - scale * CANVAS_AREA.height()) / 2);
    painter.scale(scale, scale);
    painter.translate(-CANVAS_AREA.topLeft());
    painter.setClipRect(CANVAS_AREA);
    PaintDrawing(painter, DrawingList(level));
    return image;
}

void PaintTile(QPainter& painter, const QRect& area, const TileView& tile) {
    painter.save();
    const QRect picture(area.left() + TILE_MARGIN, area.top() + TILE_MARGIN, THUMBNAIL_WIDTH,
                        THUMBNAIL_HEIGHT);
    if (tile.thumbnail.isNull()) {
        painter.fillRect(picture, QColor(240, 240, 240));
    } else {
        painter.drawImage(picture.topLeft(), tile.thumbnail);
    }
    painter.setPen(QColor(200, 200, 200));
    painter.drawRect(picture.adjusted(0, 0, -1, -1));
    PaintMark(painter, picture, tile);
    const int line = painter.fontMetrics().height() + LINE_GAP;
    QRect text(area.left() + TILE_MARGIN, picture.bottom() + 1 + LINE_GAP,
               area.width() - 2 * TILE_MARGIN, line);
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignVCenter, tile.name);
    bold.setBold(false);
    painter.setFont(bold);
    for (const QString& caption : tile.caption.split(QLatin1Char('\n'))) {
        text.translate(0, line);
        painter.drawText(text, Qt::AlignHCenter | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(caption, Qt::ElideRight, text.width()));
    }
    painter.restore();
}

} // namespace kivo
