// The white surface on which the level is drawn and clicked.
#pragma once

#include "level/level.h"
#include "painting/canvas_view.h"
#include "painting/placement_preview.h"

#include <QFrame>

#include <functional>
#include <optional>

namespace kivo {

// What a click at `figure` (window content coordinates as the figure is drawn at 100 %) would
// do before it is made: the outline a left click placing `sides` sides would add and the shape
// a right click would delete. Reads the level only; no id is drawn.
PlacementPreview PreviewAt(const Level& level, QPointF figure, uint8_t sides);

class Canvas : public QFrame {
    Q_OBJECT

  public:
    Canvas(const Level& level, QWidget* parent);

    // Where the preview reads the side count a left click places; MIN_SIDE_COUNT until set.
    void setSideCountSource(std::function<uint8_t()> sideCount);

    // What the canvas shows over the figure now, in the figure's coordinates: nothing while
    // neither the pointer nor the keyboard cursor is on it.
    PlacementPreview preview() const;
    // Where Enter and Delete act, in the figure's coordinates.
    QPointF cursorPosition() const { return aim_; }
    const CanvasView& view() const { return view_; }
    // The part of the canvas inside its frame, in window content coordinates: what is visible.
    QRect visibleArea() const;

  public slots:
    void setPreviewEnabled(bool enabled);
    // A quarter step in or out about the middle of what is shown.
    void zoomIn();
    void zoomOut();
    void showActualSize();
    // The whole figure, as large as fits with a margin.
    void fitLevel();
    // The canvas's own area back in view, its centre cross in the middle, at the same zoom.
    void showCanvasArea();

    // How many times the canvas has painted itself, so that a frame can be waited for.
    quint64 framesPainted() const { return framesPainted_; }

  signals:
    // A click at a position in the figure's coordinates.
    void leftClicked(QPointF figure);
    void rightClicked(QPointF figure);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void PaintPreview(QPainter& painter);
    // The preview as shown: mapped through the view.
    PlacementPreview ShownPreview() const;
    void AimAt(QPointF figure, bool shown);
    void AimAtPointer(QPoint content);
    void MoveCursor(QPointF by);
    void SetView(const CanvasView& view);

    const Level& level_;
    std::function<uint8_t()> sideCount_;
    bool endsDoubleClick_ = false;
    bool previewEnabled_ = true;
    CanvasView view_;
    // The point the preview is for and the keys act at, in the figure's coordinates; shown
    // while the pointer is on the canvas or the keys last moved it. The keys start at the
    // crosshair.
    QPointF aim_{CROSS_X, CROSS_Y};
    bool aimShown_ = false;
    bool hovered_ = false;          // the pointer moved on the canvas and has not left it
    QPoint pointer_;                // where it was last, window content coordinates
    std::optional<QPoint> panFrom_; // the middle button drags the view from here
    int zoomTurn_ = 0;         // Ctrl+wheel turned short of a whole notch, as a touchpad turns it
    PlacementPreview painted_; // what the last paint laid over the figure, as shown

    quint64 framesPainted_ = 0;
};

} // namespace kivo
