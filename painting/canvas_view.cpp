#include "canvas_view.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kivo {

namespace {

// A band deep enough to see at the frame and never wider than a few pixels of the figure.
constexpr int EDGE_MARK_DEPTH = 3;
// A sliver of figure beyond an edge still gets a mark one can see.
constexpr int EDGE_MARK_MIN_LENGTH = 12;
const QColor EDGE_MARK_COLOUR(230, 140, 30, 200);
const QColor ZOOM_TEXT_COLOUR(70, 70, 110);
const QColor ZOOM_BACKGROUND(255, 255, 255, 220);
constexpr int ZOOM_TEXT_PADDING = 3;

// A stretch [from, to] of an edge of [low, high], at least EDGE_MARK_MIN_LENGTH long.
std::pair<int, int> Stretch(int from, int to, int low, int high) {
    from = std::clamp(from, low, high);
    to = std::clamp(to, low, high);
    if (to - from + 1 < EDGE_MARK_MIN_LENGTH) {
        const int middle = (from + to) / 2;
        from = std::max(low, middle - EDGE_MARK_MIN_LENGTH / 2);
        to = std::min(high, from + EDGE_MARK_MIN_LENGTH - 1);
    }
    return {from, to};
}

} // namespace

bool operator==(const CanvasView& a, const CanvasView& b) {
    return a.zoom == b.zoom && a.panX == b.panX && a.panY == b.panY;
}

bool operator!=(const CanvasView& a, const CanvasView& b) {
    return !(a == b);
}

bool IsPlainView(const CanvasView& view) {
    return view == CanvasView{};
}

QPointF MapToView(const CanvasView& view, QPointF figure) {
    return {figure.x() * view.zoom + view.panX, figure.y() * view.zoom + view.panY};
}

QPointF UnmapFromView(const CanvasView& view, QPointF shown) {
    return {(shown.x() - view.panX) / view.zoom, (shown.y() - view.panY) / view.zoom};
}

QRectF MapToView(const CanvasView& view, const QRectF& figure) {
    return {MapToView(view, figure.topLeft()), MapToView(view, figure.bottomRight())};
}

double ZoomStepAtOrBelow(double zoom) {
    const double step = std::floor(zoom / ZOOM_STEP + 1e-9) * ZOOM_STEP;
    return std::clamp(step, MIN_ZOOM, MAX_ZOOM);
}

CanvasView ZoomedAbout(const CanvasView& view, double zoom, QPointF anchor) {
    return ShowingAt(ZoomStepAtOrBelow(zoom), UnmapFromView(view, anchor), anchor);
}

CanvasView ZoomedBySteps(const CanvasView& view, int steps, QPointF anchor) {
    return ZoomedAbout(view, ZoomStepAtOrBelow(view.zoom) + steps * ZOOM_STEP, anchor);
}

CanvasView Panned(const CanvasView& view, QPointF by) {
    return {view.zoom, view.panX + by.x(), view.panY + by.y()};
}

CanvasView ShowingAt(double zoom, QPointF figure, QPointF shown) {
    return {zoom, shown.x() - figure.x() * zoom, shown.y() - figure.y() * zoom};
}

CanvasView FittedTo(const QRect& figure, const QRect& area) {
    if (figure.isEmpty()) {
        return {};
    }
    const double room = std::min(double(area.width() - 2 * FIT_MARGIN) / figure.width(),
                                 double(area.height() - 2 * FIT_MARGIN) / figure.height());
    const QRectF box(figure);
    const QRectF shown(area);
    return ShowingAt(ZoomStepAtOrBelow(room), box.center(), shown.center());
}

CanvasView Following(const CanvasView& view, QPointF shown, const QRect& area, int margin) {
    const QRectF inside = QRectF(area).adjusted(margin, margin, -margin, -margin);
    const double dx =
        std::min(0.0, inside.right() - shown.x()) + std::max(0.0, inside.left() - shown.x());
    const double dy =
        std::min(0.0, inside.bottom() - shown.y()) + std::max(0.0, inside.top() - shown.y());
    return Panned(view, {dx, dy});
}

std::vector<QRect> EdgeMarks(const QRect& figureShown, const QRect& area) {
    std::vector<QRect> marks;
    if (figureShown.isEmpty() || area.contains(figureShown)) {
        return marks;
    }
    const auto [left, right] =
        Stretch(figureShown.left(), figureShown.right(), area.left(), area.right());
    const auto [top, bottom] =
        Stretch(figureShown.top(), figureShown.bottom(), area.top(), area.bottom());
    if (figureShown.top() < area.top()) {
        marks.emplace_back(QPoint(left, area.top()),
                           QPoint(right, area.top() + EDGE_MARK_DEPTH - 1));
    }
    if (figureShown.bottom() > area.bottom()) {
        marks.emplace_back(QPoint(left, area.bottom() - EDGE_MARK_DEPTH + 1),
                           QPoint(right, area.bottom()));
    }
    if (figureShown.left() < area.left()) {
        marks.emplace_back(QPoint(area.left(), top),
                           QPoint(area.left() + EDGE_MARK_DEPTH - 1, bottom));
    }
    if (figureShown.right() > area.right()) {
        marks.emplace_back(QPoint(area.right() - EDGE_MARK_DEPTH + 1, top),
                           QPoint(area.right(), bottom));
    }
    return marks;
}

void PaintViewMarks(QPainter& painter, const CanvasView& view, const QRect& figureShown,
                    const QRect& area) {
    painter.save();
    for (const QRect& mark : EdgeMarks(figureShown, area)) {
        painter.fillRect(mark, EDGE_MARK_COLOUR);
    }
    if (view.zoom != 1.0) {
        const QString text = QStringLiteral("%1 %").arg(std::lround(view.zoom * 100.0));
        const QRect box = painter.fontMetrics().boundingRect(text).adjusted(-ZOOM_TEXT_PADDING, 0,
                                                                            ZOOM_TEXT_PADDING, 0);
        const QRect corner(area.right() - box.width() - EDGE_MARK_DEPTH,
                           area.top() + EDGE_MARK_DEPTH, box.width(), box.height());
        painter.fillRect(corner, ZOOM_BACKGROUND);
        painter.setPen(ZOOM_TEXT_COLOUR);
        painter.drawText(corner, Qt::AlignCenter, text);
    }
    painter.restore();
}

} // namespace kivo
