#include "canvas.h"

#include "painting/level_painting.h"

#include "construction/polygon.h"
#include "level/drawing.h"
#include "level/element_ops.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace kivo {

namespace {

// How far an arrow key moves the keyboard cursor on the screen; with Shift, a single pixel
// for fine aim.
constexpr int ARROW_STEP = 5;
constexpr int FINE_ARROW_STEP = 1;
// How far one notch of the wheel moves the view, and what a notch reports.
constexpr double WHEEL_PAN = 40.0;
constexpr double WHEEL_NOTCH = 120.0;

QPointF Clamped(QPointF p, const QRect& area) {
    return {std::clamp(p.x(), double(area.left()), double(area.right())),
            std::clamp(p.y(), double(area.top()), double(area.bottom()))};
}

} // namespace

PlacementPreview PreviewAt(const Level& level, QPointF figure, uint8_t sides) {
    PlacementPreview preview;
    const Position place = PlacementPixels(figure.x(), figure.y());
    const PolygonPlan plan = PlanPolygon(level, place.x, place.y, sides);
    if (plan.result == PlaceResult::Placed) {
        preview.placed = ContentOutline(plan.corners.data(), plan.sides);
    }
    const Position search = ShapeSearchPixels(figure.x(), figure.y());
    // The search answers 0 both for no shape and for a shape whose id is 0, as the first
    // shape of a loaded level's is; deletion takes the shape with the id in either case, so
    // the mark looks for it too. The first shape with the id is the one deletion takes.
    preview.deletedId = NearestShape(level, search.x, search.y);
    const auto shape = std::find_if(level.shapes.begin(), level.shapes.end(),
                                    [&](const Shape& s) { return s.id == preview.deletedId; });
    if (shape != level.shapes.end()) {
        preview.deleted = ContentOutline(*shape);
    }
    return preview;
}

Canvas::Canvas(const Level& level, QWidget* parent)
    : QFrame(parent), level_(level), sideCount_([] { return MIN_SIDE_COUNT; }) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setMouseTracking(true);
    // Reached by Tab; a mouse click leaves the keyboard focus where it was.
    setFocusPolicy(Qt::TabFocus);
}

void Canvas::setSideCountSource(std::function<uint8_t()> sideCount) {
    sideCount_ = std::move(sideCount);
    update();
}

void Canvas::setPreviewEnabled(bool enabled) {
    previewEnabled_ = enabled;
    AimAt(aim_, aimShown_);
}

QRect Canvas::visibleArea() const {
    return contentsRect().translated(pos());
}

PlacementPreview Canvas::preview() const {
    if (!aimShown_) {
        return {};
    }
    PlacementPreview shown;
    if (previewEnabled_) {
        shown = PreviewAt(level_, aim_, sideCount_());
    }
    if (hasFocus()) {
        shown.cursor = aim_;
    }
    return shown;
}

PlacementPreview Canvas::ShownPreview() const {
    return MapToView(view_, preview());
}

// The drawing list is in window content coordinates; the canvas sits at pos() in them, and
// the view zooms and pans the figure within it.
void Canvas::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.translate(-pos());
    const std::vector<DrawItem> items = DrawingList(level_);
    painter.save();
    if (!IsPlainView(view_)) {
        painter.translate(view_.panX, view_.panY);
        painter.scale(view_.zoom, view_.zoom);
    }
    PaintDrawing(painter, items);
    painter.restore();
    PaintPreview(painter);
    // FigureBounds reaches a pixel beyond the last one drawn on the right and below; a figure
    // that ends on the canvas's last pixel is not beyond it.
    const QRect figure = FigureBounds(items, CROSSHAIR_ITEMS).adjusted(0, 0, -1, -1);
    PaintViewMarks(painter, view_, MapToView(view_, QRectF(figure)).toAlignedRect(), visibleArea());
    ++framesPainted_;
}

// Worked out afresh at every paint, so it always shows the level as it is now, after a click
// or a change of side count as well as after a move.
void Canvas::PaintPreview(QPainter& painter) {
    painted_ = ShownPreview();
    PaintPlacementPreview(painter, painted_);
}

// Repaints what the preview covered and what it will cover, not the whole figure, and nothing
// while the pointer moves along the edge the same polygon would be attached to.
void Canvas::AimAt(QPointF figure, bool shown) {
    aim_ = figure;
    aimShown_ = shown;
    const PlacementPreview next = ShownPreview();
    if (next.placed == painted_.placed && next.deleted == painted_.deleted &&
        next.cursor == painted_.cursor) {
        return;
    }
    update((PreviewRegion(painted_) + PreviewRegion(next)).translated(-pos()));
}

// The pointer aims at the figure point shown under it, kept inside the frame.
void Canvas::AimAtPointer(QPoint content) {
    pointer_ = content;
    AimAt(UnmapFromView(view_, Clamped(content, visibleArea())), hovered_);
}

// The keyboard cursor stays on the canvas's own area, and the view follows it there.
void Canvas::MoveCursor(QPointF by) {
    const QPointF next = Clamped(aim_ + by / view_.zoom, visibleArea());
    SetView(Following(view_, MapToView(view_, next), visibleArea(), 0));
    AimAt(next, true);
}

// A new view shows everything afresh; the pointer then aims at what is under it now.
void Canvas::SetView(const CanvasView& view) {
    if (view == view_) {
        return;
    }
    view_ = view;
    update();
    if (hovered_) {
        AimAtPointer(pointer_);
    }
}

void Canvas::zoomIn() {
    SetView(ZoomedBySteps(view_, 1, QRectF(visibleArea()).center()));
}

void Canvas::zoomOut() {
    SetView(ZoomedBySteps(view_, -1, QRectF(visibleArea()).center()));
}

void Canvas::showActualSize() {
    SetView({});
}

void Canvas::fitLevel() {
    SetView(FittedTo(FigureBounds(level_), visibleArea()));
}

void Canvas::showCanvasArea() {
    const QPointF cross(CROSS_X, CROSS_Y);
    SetView(ShowingAt(view_.zoom, cross, cross));
}

void Canvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        panFrom_ = event->position().toPoint();
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

// A click acts when the button is released over the canvas. The platform delivers a double
// click as press, release, press, double click, release: the release that ends a double click
// is dropped, so a double click places one polygon as a single click does.
void Canvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        panFrom_.reset();
        return;
    }
    const bool secondOfDouble = std::exchange(endsDoubleClick_, false);
    if (secondOfDouble || !rect().contains(event->position().toPoint())) {
        return;
    }
    const QPointF figure = UnmapFromView(view_, event->position().toPoint() + pos());
    if (event->button() == Qt::LeftButton) {
        emit leftClicked(figure);
    } else if (event->button() == Qt::RightButton) {
        emit rightClicked(figure);
    }
}

void Canvas::mouseDoubleClickEvent(QMouseEvent* event) {
    endsDoubleClick_ = true;
    event->accept();
}

// The middle button drags the figure with the pointer.
void Canvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint local = event->position().toPoint();
    if (panFrom_ && (event->buttons() & Qt::MiddleButton)) {
        const QPoint by = local - std::exchange(*panFrom_, local);
        SetView(Panned(view_, by));
    }
    hovered_ = rect().contains(local);
    AimAtPointer(local + pos());
    QFrame::mouseMoveEvent(event);
}

// Ctrl and the wheel zoom about the pointer; while the view is zoomed or moved the wheel moves
// it, sideways with Shift. At 100 % the wheel does nothing on the canvas, as it always did.
void Canvas::wheelEvent(QWheelEvent* event) {
    const QPoint notches = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        zoomTurn_ += notches.y();
        const int steps = int(zoomTurn_ / WHEEL_NOTCH);
        zoomTurn_ -= int(steps * WHEEL_NOTCH);
        SetView(ZoomedBySteps(view_, steps, event->position() + QPointF(pos())));
        event->accept();
        return;
    }
    if (IsPlainView(view_)) {
        QFrame::wheelEvent(event);
        return;
    }
    QPointF by = QPointF(notches) * (WHEEL_PAN / WHEEL_NOTCH);
    if ((event->modifiers() & Qt::ShiftModifier) && by.x() == 0.0) {
        by = {by.y(), 0.0};
    }
    SetView(Panned(view_, by));
    event->accept();
}

void Canvas::leaveEvent(QEvent* event) {
    hovered_ = false;
    AimAt(aim_, false);
    QFrame::leaveEvent(event);
}

// The arrows move the cursor, Enter and Return click at it with the left button and Delete with
// the right, so a level can be built and trimmed without the mouse.
void Canvas::keyPressEvent(QKeyEvent* event) {
    const int step = event->modifiers() & Qt::ShiftModifier ? FINE_ARROW_STEP : ARROW_STEP;
    QPoint move;
    switch (event->key()) {
    case Qt::Key_Left:
        move = {-step, 0};
        break;
    case Qt::Key_Right:
        move = {step, 0};
        break;
    case Qt::Key_Up:
        move = {0, -step};
        break;
    case Qt::Key_Down:
        move = {0, step};
        break;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        AimAt(aim_, true);
        emit leftClicked(aim_);
        return;
    case Qt::Key_Delete:
        AimAt(aim_, true);
        emit rightClicked(aim_);
        return;
    default:
        QFrame::keyPressEvent(event);
        return;
    }
    MoveCursor(move);
}

void Canvas::focusInEvent(QFocusEvent* event) {
    AimAt(aim_, true);
    QFrame::focusInEvent(event);
}

void Canvas::focusOutEvent(QFocusEvent* event) {
    AimAt(aim_, hovered_);
    QFrame::focusOutEvent(event);
}

} // namespace kivo
