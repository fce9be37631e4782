#include "canvas.h"

#include "painting/level_painting.h"

#include "level/drawing.h"

#include <QMouseEvent>
#include <QPainter>

#include <utility>

namespace kivo {

Canvas::Canvas(const Level& level, QWidget* parent) : QFrame(parent), level_(level) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
}

// The drawing list is in window content coordinates; the canvas sits at pos() in them.
void Canvas::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.translate(-pos());
    PaintDrawing(painter, DrawingList(level_));
    ++framesPainted_;
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

} // namespace kivo
