#include "level_transform.h"

#include "angles.h"
#include "level/element_ops.h"
#include "level/reference_scans.h"
#include "reference_scans.h"

#include <cmath>

namespace kivo {

namespace {

float MeanPoint(const Level& level, float Point::*axis, double scale) {
    float sum = 0.0f;
    float count = 0.0f;
    for (const Point& p : level.points) {
        sum = StoreFloat(double(sum) + double(p.*axis) * scale);
        count = StoreFloat(double(count) + 1.0);
    }
    return StoreFloat(double(sum) / double(count));
}

// Applies move(x, y) to a shape's centre and to every entry of its outline.
template <typename Move> void MoveShape(Shape& s, Move move) {
    move(s.centreX, s.centreY);
    for (int k = 0; k < OutlineLength(s); ++k) {
        move(s.entryX[k], s.entryY[k]);
    }
}

struct Turn {
    float c;
    float s;
};

// Turns a stored position whose level-pixel form is (x * 20 - offset, y * 30 - offset).
void TurnStored(const Turn& turn, float& x, float& y, double offset) {
    const float px = StoreFloat(double(x) * X_SCALE - CANVAS_CENTRE_X - offset);
    const float py = StoreFloat(double(y) * Y_SCALE - CANVAS_CENTRE_Y - offset);
    const float rx = StoreFloat(double(turn.c) * px - double(turn.s) * py);
    const float ry = StoreFloat(double(turn.s) * px + double(turn.c) * py);
    x = StoreFloat((double(rx) + CANVAS_CENTRE_X + offset) / X_SCALE);
    y = StoreFloat((double(ry) + CANVAS_CENTRE_Y + offset) / Y_SCALE);
}

// How a transform brings the connectors' cached ends up to date.
using RefreshEnds = void (*)(Level&);

void Center(Level& level, RefreshEnds refresh) {
    if (level.points.empty()) {
        return;
    }
    const float dx = StoreFloat((double(MeanPointX(level)) - CANVAS_CENTRE_X) / X_SCALE);
    const float dy = StoreFloat((double(MeanPointY(level)) - CANVAS_CENTRE_Y) / Y_SCALE);
    auto shift = [dx, dy](float& x, float& y) {
        x = StoreFloat(double(x) - dx);
        y = StoreFloat(double(y) - dy);
    };
    for (Point& p : level.points) {
        shift(p.x, p.y);
    }
    for (Shape& s : level.shapes) {
        MoveShape(s, shift);
    }
    refresh(level);
}

void Rotate(Level& level, float v, RefreshEnds refresh) {
    const float delta = StoreFloat(double(v) - level.lastRotationAngle);
    level.lastRotationAngle = StoreFloat(double(level.lastRotationAngle) + delta);
    const Turn turn{StoreFloat(std::cos(DegToRad(delta))), StoreFloat(std::sin(DegToRad(delta)))};
    for (Point& p : level.points) {
        TurnStored(turn, p.x, p.y, 0.0);
    }
    auto turnShape = [&turn](float& x, float& y) { TurnStored(turn, x, y, SHAPE_OFFSET); };
    for (Shape& s : level.shapes) {
        MoveShape(s, turnShape);
    }
    refresh(level);
}

} // namespace

float MeanPointX(const Level& level) {
    return MeanPoint(level, &Point::x, X_SCALE);
}

float MeanPointY(const Level& level) {
    return MeanPoint(level, &Point::y, Y_SCALE);
}

void CenterLevel(Level& level) {
    Center(level, RefreshConnectorEnds);
}

void RotateLevel(Level& level, float v) {
    Rotate(level, v, RefreshConnectorEnds);
}

void CenterLevelByScan(Level& level) {
    Center(level, RefreshConnectorEndsByScan);
}

void RotateLevelByScan(Level& level, float v) {
    Rotate(level, v, RefreshConnectorEndsByScan);
}

} // namespace kivo
