#include "canvas.h"

#include "level/drawing.h"

#include <QMouseEvent>
#include <QPainter>

namespace kivo {

Canvas::Canvas(const Level& level, QWidget* parent) : QFrame(parent), level_(level) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
}

static QColor ColourOf(Colour c) {
    return QColor(c.r, c.g, c.b);
}

// The drawing list is in window content coordinates; the canvas sits at pos() in them.
void Canvas::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    painter.translate(-pos());
    for (const DrawItem& item : DrawingList(level_)) {
        const QColor colour = ColourOf(item.colour);
        painter.setPen(QPen(colour, 0));
        if (item.kind == DrawKind::Line) {
            painter.drawLine(item.x1, item.y1, item.x2, item.y2);
        } else {
            const int r = item.x2;
            painter.setBrush(colour);
            painter.drawEllipse(QRect(item.x1 - r, item.y1 - r, 2 * r, 2 * r));
            painter.setBrush(Qt::NoBrush);
        }
    }
}

void Canvas::mousePressEvent(QMouseEvent* event) {
    const QPoint content = event->position().toPoint() + pos();
    if (event->button() == Qt::LeftButton) {
        emit leftClicked(content);
    } else if (event->button() == Qt::RightButton) {
        emit rightClicked(content);
    }
}

// A double click is two clicks already; the second press must not act again.
void Canvas::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

} // namespace kivo
