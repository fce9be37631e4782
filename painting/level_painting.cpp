#include "level_painting.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kivo {

namespace {

// How far beyond an item's corner points its pixels may reach: the one-pixel pen of a line,
// the outline of a disc.
constexpr int64_t REACH = 2;

bool SameBatch(const DrawItem& a, const DrawItem& b) {
    return a.kind == b.kind && a.colour.r == b.colour.r && a.colour.g == b.colour.g &&
           a.colour.b == b.colour.b;
}

// The rectangle an item's pixels lie in, widened by REACH.
struct Bounds {
    int64_t left, top, right, bottom;
};

Bounds BoundsOf(const DrawItem& item) {
    if (item.kind == DrawKind::Line) {
        return {std::min<int64_t>(item.x1, item.x2) - REACH,
                std::min<int64_t>(item.y1, item.y2) - REACH,
                std::max<int64_t>(item.x1, item.x2) + REACH,
                std::max<int64_t>(item.y1, item.y2) + REACH};
    }
    const int64_t r = item.x2;
    return {item.x1 - r - REACH, item.y1 - r - REACH, item.x1 + r + REACH, item.y1 + r + REACH};
}

// The part of the painter's coordinates that its clip lets through; everything when it has
// none. An item wholly outside changes no pixel.
Bounds Visible(const QPainter& painter) {
    if (!painter.hasClipping()) {
        return {INT64_MIN, INT64_MIN, INT64_MAX, INT64_MAX};
    }
    const QRect clip = painter.clipBoundingRect().toAlignedRect();
    return {clip.left(), clip.top(), clip.right(), clip.bottom()};
}

bool Overlaps(const Bounds& a, const Bounds& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

// The most device pixels one unit of the painter's coordinates spans; infinite when the
// painter turns or shears, which this drawing never asks of it.
double PixelsPerUnit(const QPainter& painter) {
    const QTransform device = painter.deviceTransform();
    if (device.type() > QTransform::TxScale) {
        return INFINITY;
    }
    return std::max(std::abs(device.m11()), std::abs(device.m22()));
}

// A disc no wider than one device pixel, as the centre dots of a large figure are in its
// thumbnail, is painted as that one pixel: drawn as an ellipse it would cost a path of its own
// and smear over two pixels.
bool BelowAPixel(int radius, double pixelsPerUnit) {
    return 2.0 * radius * pixelsPerUnit <= 1.0;
}

} // namespace

// Items are painted in runs of one kind and colour, so that the pen and brush are set once a
// run and the lines of a run go to the painter together; the order of the runs, and so which
// colour lies on top, stays that of the list.
void PaintDrawing(QPainter& painter, const std::vector<DrawItem>& items) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    const Bounds visible = Visible(painter);
    const double pixelsPerUnit = PixelsPerUnit(painter);
    std::vector<QLine> lines;
    std::vector<QPoint> dots;
    for (size_t first = 0; first < items.size();) {
        size_t end = first + 1;
        while (end < items.size() && SameBatch(items[first], items[end])) {
            ++end;
        }
        const DrawItem& run = items[first];
        const QColor colour(run.colour.r, run.colour.g, run.colour.b);
        painter.setPen(QPen(colour, 0));
        if (run.kind == DrawKind::Line) {
            painter.setBrush(Qt::NoBrush);
        } else {
            painter.setBrush(colour);
        }
        lines.clear();
        dots.clear();
        for (size_t i = first; i < end; ++i) {
            const DrawItem& item = items[i];
            if (!Overlaps(BoundsOf(item), visible)) {
                continue;
            }
            if (item.kind == DrawKind::Line) {
                lines.emplace_back(item.x1, item.y1, item.x2, item.y2);
            } else if (BelowAPixel(item.x2, pixelsPerUnit)) {
                dots.emplace_back(item.x1, item.y1);
            } else {
                const int r = item.x2;
                painter.drawEllipse(QRect(item.x1 - r, item.y1 - r, 2 * r, 2 * r));
            }
        }
        painter.drawLines(lines.data(), int(lines.size()));
        painter.drawPoints(dots.data(), int(dots.size()));
        first = end;
    }
}

QRect FigureBounds(const std::vector<DrawItem>& items, size_t first) {
    QRect bounds;
    for (size_t i = first; i < items.size(); ++i) {
        const DrawItem& item = items[i];
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
