#include "level_painting.h"

#include <QPainter>

namespace kivo {

void PaintDrawing(QPainter& painter, const std::vector<DrawItem>& items) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const DrawItem& item : items) {
        const QColor colour(item.colour.r, item.colour.g, item.colour.b);
        painter.setPen(QPen(colour, 0));
        if (item.kind == DrawKind::Line) {
            painter.setBrush(Qt::NoBrush);
            painter.drawLine(item.x1, item.y1, item.x2, item.y2);
        } else {
            const int r = item.x2;
            painter.setBrush(colour);
            painter.drawEllipse(QRect(item.x1 - r, item.y1 - r, 2 * r, 2 * r));
        }
    }
}

QRect FigureBounds(const std::vector<DrawItem>& items) {
    QRect bounds;
    for (const DrawItem& item : items) {
        const QRect box =
            item.kind == DrawKind::Line
                ? QRect(QPoint(item.x1, item.y1), QPoint(item.x2, item.y2)).normalized()
                : QRect(item.x1 - item.x2, item.y1 - item.x2, 2 * item.x2 + 1, 2 * item.x2 + 1);
        bounds = bounds.united(box.adjusted(0, 0, 1, 1));
    }
    return bounds;
}

QRect FigureBounds(const Level& level) {
    std::vector<DrawItem> figure;
    DrawLevel(level, figure);
    return FigureBounds(figure);
}

} // namespace kivo
