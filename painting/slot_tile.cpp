#include "slot_tile.h"

#include "level_painting.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace kivo {

namespace {

// Below this a caption would be unreadable; it is then set at this size.
constexpr double MIN_TEXT_POINTS = 5.0;
constexpr double TEXT_POINT_STEP = 0.5;

QColor ToQColor(Colour c) {
    return QColor(c.r, c.g, c.b);
}

// Shrinking works in points; a font given in pixels is converted first.
QFont InPoints(QFont font) {
    if (font.pointSizeF() <= 0) {
        font.setPointSizeF(QFontInfo(font).pointSizeF());
    }
    return font;
}

QFont Smaller(QFont font) {
    font.setPointSizeF(std::max(MIN_TEXT_POINTS, font.pointSizeF() - TEXT_POINT_STEP));
    return font;
}

QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

QStringList BreakWide(const QStringList& lines, const QFontMetrics& metrics, int width) {
    QStringList broken;
    for (const QString& line : lines) {
        if (metrics.horizontalAdvance(line) > width) {
            broken << line.split(QStringLiteral(" \u00b7 "), Qt::SkipEmptyParts);
        } else {
            broken << line;
        }
    }
    return broken;
}

bool Fits(const TileText& text, const QString& name) {
    const QRect& area = TILE_TEXT_AREA;
    if ((1 + text.captionLines.size()) * text.lineHeight > area.height() ||
        QFontMetrics(Bold(text.font)).horizontalAdvance(name) > area.width()) {
        return false;
    }
    const QFontMetrics metrics(text.font);
    return std::all_of(
        text.captionLines.begin(), text.captionLines.end(),
        [&](const QString& line) { return metrics.horizontalAdvance(line) <= area.width(); });
}

// Sets the painter so that `shown` (window content) fills `room` centred, keeping proportions.
void Fit(QPainter& painter, const QRect& shown, const QRect& room) {
    const double scale = std::min({double(room.width()) / shown.width(),
                                   double(room.height()) / shown.height(), MAX_THUMBNAIL_SCALE});
    painter.translate(room.left() + (room.width() - scale * shown.width()) / 2,
                      room.top() + (room.height() - scale * shown.height()) / 2);
    painter.scale(scale, scale);
    painter.translate(-shown.topLeft());
}

void PaintMark(QPainter& painter, const QRect& picture, const TileView& tile) {
    if (tile.mark.isEmpty()) {
        return;
    }
    const QColor colour = ToQColor(tile.markColour);
    painter.setPen(QPen(colour, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(picture.adjusted(1, 1, -1, -1));
    QFont font = InPoints(painter.font());
    while (QFontMetrics(font).height() > MARK_HEIGHT && font.pointSizeF() > MIN_TEXT_POINTS) {
        font = Smaller(font);
    }
    painter.setFont(font);
    const QRect badge(picture.left(), picture.top(),
                      QFontMetrics(font).horizontalAdvance(tile.mark) + 2 * TILE_MARGIN,
                      MARK_HEIGHT);
    painter.fillRect(badge, colour);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, tile.mark);
}

void PaintText(QPainter& painter, const QRect& area, const TileView& tile) {
    const TileText text = LayOutTileText(painter.font(), tile);
    QRect line = TILE_TEXT_AREA.translated(area.topLeft());
    line.setHeight(text.lineHeight);
    painter.setPen(Qt::black);
    painter.setFont(Bold(text.font));
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter, tile.name);
    painter.setFont(text.font);
    for (const QString& caption : text.captionLines) {
        line.translate(0, text.lineHeight);
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(caption, Qt::ElideRight, line.width()));
    }
}

} // namespace

QImage PaintThumbnail(const Level& level, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QRect room(THUMBNAIL_MARGIN, MARK_HEIGHT + THUMBNAIL_MARGIN, width - 2 * THUMBNAIL_MARGIN,
                     height - MARK_HEIGHT - 2 * THUMBNAIL_MARGIN);
    std::vector<DrawItem> figure;
    DrawLevel(level, figure);
    if (figure.empty()) {
        Fit(painter, CANVAS_AREA, room);
        painter.setClipRect(CANVAS_AREA);
        PaintDrawing(painter, DrawingList(level));
    } else {
        // No clip: the figure lies within its bounds, and a clip on them would cut the lines
        // along their edges once scaled.
        Fit(painter, FigureBounds(figure), room);
        PaintDrawing(painter, figure);
    }
    return image;
}

TileText LayOutTileText(QFont font, const TileView& tile) {
    const QStringList caption = tile.caption.split(QLatin1Char('\n'));
    font = InPoints(font);
    for (;;) {
        TileText text{font, {}, 0};
        text.lineHeight =
            std::max(QFontMetrics(font).height(), QFontMetrics(Bold(font)).height()) + LINE_GAP;
        text.captionLines = BreakWide(caption, QFontMetrics(font), TILE_TEXT_AREA.width());
        if (Fits(text, tile.name) || font.pointSizeF() <= MIN_TEXT_POINTS) {
            return text;
        }
        font = Smaller(font);
    }
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
    painter.save();
    PaintMark(painter, picture, tile);
    painter.restore();
    PaintText(painter, area, tile);
    painter.restore();
}

} // namespace kivo
