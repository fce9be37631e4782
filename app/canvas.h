// The white surface on which the level is drawn and clicked.
#pragma once

#include "level/level.h"
#include "painting/placement_preview.h"

#include <QFrame>

#include <functional>

namespace kivo {

// What a click at `content` (window content coordinates) would do before it is made: the
// outline a left click placing `sides` sides would add and the shape a right click would
// delete. Reads the level only; no id is drawn.
PlacementPreview PreviewAt(const Level& level, QPoint content, uint8_t sides);

class Canvas : public QFrame {
    Q_OBJECT

  public:
    Canvas(const Level& level, QWidget* parent);

    // Where the preview reads the side count a left click places; MIN_SIDE_COUNT until set.
    void setSideCountSource(std::function<uint8_t()> sideCount);

    // What the canvas shows over the figure now: nothing while neither the pointer nor the
    // keyboard cursor is on it.
    PlacementPreview preview() const;
    // Where Enter and Delete act, window content coordinates.
    QPoint cursorPosition() const { return aim_; }

  public slots:
    void setPreviewEnabled(bool enabled);

    // How many times the canvas has painted itself, so that a frame can be waited for.
    quint64 framesPainted() const { return framesPainted_; }

  signals:
    // A click at a position in window content coordinates.
    void leftClicked(QPoint content);
    void rightClicked(QPoint content);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void PaintPreview(QPainter& painter);
    void AimAt(QPoint content, bool shown);

    const Level& level_;
    std::function<uint8_t()> sideCount_;
    bool endsDoubleClick_ = false;
    bool previewEnabled_ = true;
    // The point the preview is for and the keys act at, window content coordinates; shown while
    // the pointer is on the canvas or the keys last moved it. The keys start at the crosshair.
    QPoint aim_{CROSS_X, CROSS_Y};
    bool aimShown_ = false;
    bool hovered_ = false;     // the pointer moved on the canvas and has not left it
    PlacementPreview painted_; // what the last paint laid over the figure

    quint64 framesPainted_ = 0;
};

} // namespace kivo
