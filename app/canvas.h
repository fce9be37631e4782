// The white surface on which the level is drawn and clicked.
#pragma once

#include "level/level.h"

#include <QFrame>

namespace kivo {

class Canvas : public QFrame {
    Q_OBJECT

  public:
    Canvas(const Level& level, QWidget* parent);

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

  private:
    const Level& level_;
    bool endsDoubleClick_ = false;
    quint64 framesPainted_ = 0;
};

} // namespace kivo
