#include "render.h"

#include "level/drawing.h"
#include "level/frames.h"
#include "painting/level_painting.h"

#include <QPainter>

namespace kivo {

namespace {

constexpr int FIT_MARGIN = 10;

} // namespace

Picture RenderLevel(const Level& level, const RenderOptions& options) {
    const bool figure = level.connectors.size() + level.shapes.size() > 0;
    return RenderItems(DrawingList(level), figure ? FigureBounds(level) : QRect(), options);
}

Picture RenderItems(const std::vector<DrawItem>& items, const QRect& figure,
                    const RenderOptions& options) {
    QRect area = CANVAS_AREA;
    if (options.fit && !figure.isNull()) {
        area = figure.adjusted(-FIT_MARGIN, -FIT_MARGIN, FIT_MARGIN, FIT_MARGIN);
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
    PaintDrawing(painter, items);
    painter.end();
    if (options.scale == 1) {
        return {{}, image};
    }
    return {
        {},
        image.scaled(image.size() * options.scale, Qt::IgnoreAspectRatio, Qt::FastTransformation)};
}

} // namespace kivo
