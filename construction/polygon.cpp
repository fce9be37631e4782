#include "polygon.h"

#include "angles.h"
#include "level/element_ops.h"

#include <cmath>

namespace kivo {

namespace {

struct Position {
    float x;
    float y;
};

Position PointPixels(const Level& level, int16_t id) {
    return {float(double(PointX(level, id)) * X_SCALE), float(double(PointY(level, id)) * Y_SCALE)};
}

Position EntryPixels(const Shape& s, int k) {
    return {float(double(s.entryX[k]) * X_SCALE - SHAPE_OFFSET),
            float(double(s.entryY[k]) * Y_SCALE - SHAPE_OFFSET)};
}

// Callers check HasRoomForPolygon first, so a free id is always there.
int16_t DrawId(const Level& level, RandomSource& random) {
    return NewUniqueId(level, random).value_or(0);
}

void Increment(int16_t& counter) {
    counter = static_cast<int16_t>(counter + 1);
}

// Corner k of the walk from corner 0 = b, each side turned by alpha from the one before.
Position NextCorner(Position previous, float theta, float alpha, int k) {
    const float phi = float(double(theta) + double(alpha) * double(ToFloat(float(k))));
    const double radians = DegToRad(phi);
    return {float(double(previous.x) + std::cos(radians) * SIDE_LENGTH),
            float(double(previous.y) + std::sin(radians) * SIDE_LENGTH)};
}

// The shape's connectors: entry j holds corner j and the side to corner j + 1; the closing
// side stands in entry n - 1 and again in entry n, which repeats corner 0.
void AddOutline(Level& level, RandomSource& random, int16_t shapeId, const float* entryX,
                const float* entryY, const int16_t* pointIds, int n) {
    for (int j = 0; j < n - 1; ++j) {
        const int16_t fresh = DrawId(level, random);
        const int16_t c = AddConnector(level, fresh, pointIds[j], pointIds[j + 1]);
        if (c == fresh) {
            Increment(level.connectorCount);
        }
        AddShapeEntry(level, shapeId, entryX[j], entryY[j], c);
    }
    const int16_t fresh = DrawId(level, random);
    const int16_t c = AddConnector(level, fresh, pointIds[n - 1], pointIds[0]);
    AddShapeEntry(level, shapeId, entryX[n - 1], entryY[n - 1], c);
    AddShapeEntry(level, shapeId, entryX[0], entryY[0], c);
    if (c == fresh) {
        Increment(level.connectorCount);
    }
}

} // namespace

bool HasRoomForPolygon(const Level& level, uint8_t n) {
    const size_t used = level.points.size() + level.connectors.size() + level.shapes.size();
    return used + 2 * size_t(n) + 1 <= size_t(ID_RANGE);
}

void BuildPolygon(Level& level, RandomSource& random, float x, float y, int16_t firstId,
                  int16_t secondId, uint8_t n) {
    if (int(n) < int(level.smallestSideCount)) {
        level.smallestSideCount = static_cast<int8_t>(n);
    }
    float entryX[MAX_SHAPE_ENTRIES] = {};
    float entryY[MAX_SHAPE_ENTRIES] = {};
    int16_t pointIds[MAX_SHAPE_ENTRIES] = {};
    const float alpha = float(360.0 / double(ToFloat(float(n))));

    Position a{x, y};
    Position b{float(double(x) + SIDE_LENGTH), y};
    if (firstId != 0 && secondId != 0) {
        a = PointPixels(level, firstId);
        b = PointPixels(level, secondId);
    }
    const float dx = float(double(b.x) - a.x);
    const float dy = float(double(b.y) - a.y);
    const float theta = float(RadToDeg(float(Atan2(dy, dx))));

    Position corner = b;
    for (int k = 0; k < n; ++k) {
        if (k > 0) {
            corner = NextCorner(corner, theta, alpha, k);
        }
        entryX[k] = float((double(corner.x) + SHAPE_OFFSET) / X_SCALE);
        entryY[k] = float((double(corner.y) + SHAPE_OFFSET) / Y_SCALE);
        const int16_t id = DrawId(level, random);
        pointIds[k] = AddPoint(level, id, float(double(corner.x) / X_SCALE),
                               float(double(corner.y) / Y_SCALE));
        if (pointIds[k] == id) {
            Increment(level.pointCount);
        }
    }
    const int16_t shapeId = AddShape(level, DrawId(level, random));
    Increment(level.shapeCount);
    AddOutline(level, random, shapeId, entryX, entryY, pointIds, n);
    RefreshConnectorEnds(level);
}

PlaceResult PlacePolygon(Level& level, RandomSource& random, float x, float y) {
    const uint8_t n = level.sideCount;
    if (IsInsideAnyShape(level, x, y)) {
        return PlaceResult::InsideShape;
    }
    if (!HasRoomForPolygon(level, n)) {
        return PlaceResult::LevelFull;
    }
    if (level.pointCount == 0) {
        BuildPolygon(level, random, x, y, 0, 0, n);
        return PlaceResult::Placed;
    }
    const int16_t first = NearestPoint(level, x, y, 0);
    const int16_t second = NearestPoint(level, x, y, first);
    const Position a = PointPixels(level, first);
    const Position b = PointPixels(level, second);
    // Which side of the line a -> b the click lies on; the polygon is built to the right of
    // the edge it is handed, so the edge is turned to put the click on that side.
    const float clickX = float(double(x) - a.x);
    const float clickY = float(double(y) - a.y);
    const float edgeX = float(double(b.x) - a.x);
    const float edgeY = float(double(b.y) - a.y);
    const float side = float(double(clickX) * edgeY - double(clickY) * edgeX);
    if (side >= 0.0f) {
        BuildPolygon(level, random, x, y, second, first, n);
    } else {
        BuildPolygon(level, random, x, y, first, second, n);
    }
    return PlaceResult::Placed;
}

// Crossing-number test; the closing entry repeats the first, so its edge has no length.
static bool IsInsideShape(const Shape& s, float x, float y) {
    const int count = OutlineLength(s);
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const Position pi = EntryPixels(s, i);
        const Position pj = EntryPixels(s, j);
        if ((pj.y <= y && y < pi.y) || (pi.y <= y && y < pj.y)) {
            const double crossX =
                (double(pi.x) - pj.x) * (double(y) - pj.y) / (double(pi.y) - pj.y) + pj.x;
            if (x < crossX) {
                inside = !inside;
            }
        }
    }
    return inside;
}

bool IsInsideAnyShape(const Level& level, float x, float y) {
    for (const Shape& s : level.shapes) {
        if (IsInsideShape(s, x, y)) {
            return true;
        }
    }
    return false;
}

} // namespace kivo
