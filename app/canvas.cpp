#include "canvas.h"

#include "painting/level_painting.h"

#include "construction/polygon.h"
#include "level/drawing.h"
#include "level/element_ops.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace kivo {

namespace {

// How far an arrow key moves the keyboard cursor; with Shift, a single pixel for fine aim.
constexpr int ARROW_STEP = 5;
constexpr int FINE_ARROW_STEP = 1;

} // namespace

PlacementPreview PreviewAt(const Level& level, QPoint content, uint8_t sides) {
    PlacementPreview preview;
    const Position place = PlacementPixels(content.x(), content.y());
    const PolygonPlan plan = PlanPolygon(level, place.x, place.y, sides);
    if (plan.result == PlaceResult::Placed) {
        preview.placed = ContentOutline(plan.corners.data(), plan.sides);
    }
    const Position search = ShapeSearchPixels(content.x(), content.y());
    preview.deletedId = NearestShape(level, search.x, search.y);
    if (preview.deletedId != 0) {
        // The first shape with the id is the one deletion takes.
        const auto shape = std::find_if(level.shapes.begin(), level.shapes.end(),
                                        [&](const Shape& s) { return s.id == preview.deletedId; });
        if (shape != level.shapes.end()) {
            preview.deleted = ContentOutline(*shape);
        }
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

// The drawing list is in window content coordinates; the canvas sits at pos() in them.
void Canvas::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.translate(-pos());
    PaintDrawing(painter, DrawingList(level_));
    PaintPreview(painter);
    ++framesPainted_;
}

// Worked out afresh at every paint, so it always shows the level as it is now, after a click
// or a change of side count as well as after a move.
void Canvas::PaintPreview(QPainter& painter) {
    painted_ = preview();
    PaintPlacementPreview(painter, painted_);
}

// Repaints what the preview covered and what it will cover, not the whole figure, and nothing
// while the pointer moves along the edge the same polygon would be attached to.
void Canvas::AimAt(QPoint content, bool shown) {
    const QRect inside = contentsRect().translated(pos());
    aim_ = content;
    if (inside.isValid()) {
        aim_ = QPoint(std::clamp(content.x(), inside.left(), inside.right()),
                      std::clamp(content.y(), inside.top(), inside.bottom()));
    }
    aimShown_ = shown;
    const PlacementPreview next = preview();
    if (next.placed == painted_.placed && next.deleted == painted_.deleted &&
        next.cursor == painted_.cursor) {
        return;
    }
    update((PreviewRegion(painted_) + PreviewRegion(next)).translated(-pos()));
}

// A click acts when the button is released over the canvas. The platform delivers a double
// click as press, release, press, double click, release: the release that ends a double click
// is dropped, so a double click places one polygon as a single click does.
void Canvas::mouseReleaseEvent(QMouseEvent* event) {
    const bool secondOfDouble = std::exchange(endsDoubleClick_, false);
    if (secondOfDouble || !rect().contains(event->position().toPoint())) {
        return;
    }
    const QPoint content = event->position().toPoint() + pos();
    if (event->button() == Qt::LeftButton) {
        emit leftClicked(content);
    } else if (event->button() == Qt::RightButton) {
        emit rightClicked(content);
    }
}

void Canvas::mouseDoubleClickEvent(QMouseEvent* event) {
    endsDoubleClick_ = true;
    event->accept();
}

void Canvas::mouseMoveEvent(QMouseEvent* event) {
    const QPoint local = event->position().toPoint();
    hovered_ = rect().contains(local);
    AimAt(local + pos(), hovered_);
    QFrame::mouseMoveEvent(event);
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
    AimAt(aim_ + move, true);
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
