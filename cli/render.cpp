#include "render.h"

#include "level/drawing.h"
#include "level/frames.h"
#include "painting/level_painting.h"

#include <QPainter>

namespace kivo {

namespace {

// The canvas in window content coordinates, where the drawing list is placed.
const QRect CANVAS_AREA(CANVAS_LEFT, CANVAS_TOP, CANVAS_WIDTH, CANVAS_HEIGHT);
constexpr int FIT_MARGIN = 10;

// The pixels the level's connectors and centre dots cover, the crosshair left out.
QRect FigureBounds(const Level& level) {
    std::vector<DrawItem> figure;
    DrawLevel(level, figure);
    QRect bounds;
    for (const DrawItem& item : figure) {
        const QRect box =
            item.kind == DrawKind::Line
                ? QRect(QPoint(item.x1, item.y1), QPoint(item.x2, item.y2)).normalized()
                : QRect(item.x1 - item.x2, item.y1 - item.x2, 2 * item.x2 + 1, 2 * item.x2 + 1);
        bounds = bounds.united(box.adjusted(0, 0, 1, 1));
    }
    return bounds;
}

} // namespace

Picture RenderLevel(const Level& level, const RenderOptions& options) {
    QRect area = CANVAS_AREA;
    if (options.fit && level.connectors.size() + level.shapes.size() > 0) {
        area = FigureBounds(level).adjusted(-FIT_MARGIN, -FIT_MARGIN, FIT_MARGIN, FIT_MARGIN);
    }
    if (qint64(area.width()) * options.scale > MAX_PICTURE_SIDE ||
        qint64(area.height()) * options.scale > MAX_PICTURE_SIDE) {
        return {{false, QStringLiteral(
                            "the picture would be %1 x %2 pixels; at most %3 on a side can be made")
                            .arg(qint64(area.width()) * options.scale)
                            .arg(qint64(area.height()) * options.scale)
                            .arg(MAX_PICTURE_SIDE)},
                {}};
    }
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    PaintDrawing(painter, DrawingList(level));
    painter.end();
    if (options.scale == 1) {
        return {{}, image};
    }
    return {
        {},
        image.scaled(image.size() * options.scale, Qt::IgnoreAspectRatio, Qt::FastTransformation)};
}

} // namespace kivo
