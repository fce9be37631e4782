// How the canvas shows the figure: at a zoom and moved by a pan, and the marks it lays over the
// view to say where the figure goes on beyond what is shown.
#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

#include <vector>

class QPainter;

namespace kivo {

// Zooms run from a quarter to eight times, in steps of a quarter.
constexpr double ZOOM_STEP = 0.25;
constexpr double MIN_ZOOM = 0.25;
constexpr double MAX_ZOOM = 8.0;
// What Fit Level leaves free around the figure, in shown pixels.
constexpr int FIT_MARGIN = 12;

// A point p of the figure, in window content coordinates as the drawing list places it, is
// shown at p * zoom + pan, also in window content coordinates. The plain view shows the
// figure where the canvas always did.
struct CanvasView {
    double zoom = 1.0;
    double panX = 0.0;
    double panY = 0.0;
};

bool operator==(const CanvasView& a, const CanvasView& b);
bool operator!=(const CanvasView& a, const CanvasView& b);

bool IsPlainView(const CanvasView& view);

// Figure -> shown and its exact inverse, unrounded: a click is placed at the figure point
// under it, to the precision the float it lands in keeps.
QPointF MapToView(const CanvasView& view, QPointF figure);
QPointF UnmapFromView(const CanvasView& view, QPointF shown);
QRectF MapToView(const CanvasView& view, const QRectF& figure);

// A zoom made one of the steps within the range: the nearest step, or the one below it.
double ZoomStepAtOrBelow(double zoom);
// The view at `zoom` (made a step) that keeps the figure point shown at `anchor` where it is.
CanvasView ZoomedAbout(const CanvasView& view, double zoom, QPointF anchor);
// `steps` quarter steps in (positive) or out (negative) about `anchor`.
CanvasView ZoomedBySteps(const CanvasView& view, int steps, QPointF anchor);
CanvasView Panned(const CanvasView& view, QPointF by);
// The view at `zoom` that shows the figure point `figure` at `shown`.
CanvasView ShowingAt(double zoom, QPointF figure, QPointF shown);
// The largest step at which the figure's pixels fit `area` with FIT_MARGIN around them, the
// figure in its middle; the plain view for an empty figure.
CanvasView FittedTo(const QRect& figure, const QRect& area);
// The smallest pan that brings a shown point at least `margin` inside `area`.
CanvasView Following(const CanvasView& view, QPointF shown, const QRect& area, int margin);

// The edges of `area` beyond which part of the figure lies, as bands inside the edge along the
// stretch the figure covers, so that no part of it is hidden without a sign.
std::vector<QRect> EdgeMarks(const QRect& figureShown, const QRect& area);

// The edge marks, and the zoom in the area's corner when it is not 100 %.
void PaintViewMarks(QPainter& painter, const CanvasView& view, const QRect& figureShown,
                    const QRect& area);

} // namespace kivo
