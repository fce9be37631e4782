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

} // namespace kivo
