#include "polygon.h"

#include "angles.h"
#include "level/element_index.h"
#include "level/element_ops.h"
#include "reference_scans.h"

#include <cmath>

namespace kivo {

namespace {

Position PointPixels(const Level& level, int16_t id) {
    return PointToLevel(PointX(level, id), PointY(level, id));
}

Position EntryPixels(const Shape& s, int k) {
    return ShapeToLevel(s.entryX[k], s.entryY[k]);
}

// Where a construction gets its fresh ids. Callers check HasRoomForPolygon first, so a free
// id is always there. The set answers "is this id taken?" without scanning the lists; the
// scan is kept as the reference it is tested against.
struct IndexedIds {
    RandomSource& random;
    std::optional<IdSet> set; // made at the first draw, when a polygon is sure to be built
    int16_t Draw(const Level& level) {
        if (!set) {
            set = UsedIds(level);
        }
        return NewUniqueId(*set, random).value_or(0);
    }
    void Used(int16_t id) { MarkUsed(*set, id); }
};

struct ScannedIds {
    RandomSource& random;
    int16_t Draw(const Level& level) { return NewUniqueId(level, random).value_or(0); }
    void Used(int16_t) {}
};

void Increment(int16_t& counter) {
    counter = static_cast<int16_t>(counter + 1);
}

// Corner k of the walk from corner 0 = b, each side turned by alpha from the one before.
Position NextCorner(Position previous, float theta, float alpha, int k) {
    const float phi = StoreFloat(double(theta) + double(alpha) * double(ToFloat(k)));
    const double radians = DegToRad(phi);
    return {StoreFloat(double(previous.x) + std::cos(radians) * SIDE_LENGTH),
            StoreFloat(double(previous.y) + std::sin(radians) * SIDE_LENGTH)};
}

// A side from a to b, new or found, counted when new.
template <typename Ids> int16_t AddSide(Level& level, Ids& ids, int16_t a, int16_t b) {
    const int16_t fresh = ids.Draw(level);
    const int16_t c = AddConnector(level, fresh, a, b);
    if (c == fresh) {
        ids.Used(c);
        Increment(level.connectorCount);
    }
    return c;
}

// The shape's connectors: entry j holds corner j and the side to corner j + 1; the closing
// side stands in entry n - 1 and again in entry n, which repeats corner 0.
template <typename Ids>
void AddOutline(Level& level, Ids& ids, int16_t shapeId, const float* entryX, const float* entryY,
                const int16_t* pointIds, int n) {
    for (int j = 0; j < n - 1; ++j) {
        const int16_t c = AddSide(level, ids, pointIds[j], pointIds[j + 1]);
        AddShapeEntry(level, shapeId, entryX[j], entryY[j], c);
    }
    const int16_t c = AddSide(level, ids, pointIds[n - 1], pointIds[0]);
    AddShapeEntry(level, shapeId, entryX[n - 1], entryY[n - 1], c);
    AddShapeEntry(level, shapeId, entryX[0], entryY[0], c);
}

} // namespace

bool HasRoomForPolygon(const Level& level, uint8_t n) {
    const size_t used = level.points.size() + level.connectors.size() + level.shapes.size();
    return used + 2 * size_t(n) + 1 <= size_t(GIVABLE_ID_COUNT);
}

namespace {

// The corners of a polygon on the base edge firstId -> secondId, or from the click when either
// is 0: corner 0 is the edge's second end, and each further side is turned by 360 / n from the
// one before. Reads the level only.
void WalkCorners(const Level& level, float x, float y, int16_t firstId, int16_t secondId, uint8_t n,
                 Position* corners) {
    const float alpha = StoreFloat(360.0 / double(ToFloat(n)));
    Position a{x, y};
    Position b{StoreFloat(double(x) + SIDE_LENGTH), y};
    if (firstId != 0 && secondId != 0) {
        a = PointPixels(level, firstId);
        b = PointPixels(level, secondId);
    }
    const float dx = StoreFloat(double(b.x) - a.x);
    const float dy = StoreFloat(double(b.y) - a.y);
    const float theta = StoreFloat(RadToDeg(StoreFloat(Atan2(dy, dx))));
    corners[0] = b;
    for (int k = 1; k < n; ++k) {
        corners[k] = NextCorner(corners[k - 1], theta, alpha, k);
    }
}

// Adds the planned polygon: its corners' points, its shape and its sides, drawing the ids in
// corner order.
template <typename Ids> void Build(Level& level, Ids& ids, const PolygonPlan& plan) {
    const uint8_t n = plan.sides;
    if (int(n) < int(level.smallestSideCount)) {
        level.smallestSideCount = static_cast<int8_t>(n);
    }
    float entryX[MAX_SHAPE_ENTRIES] = {};
    float entryY[MAX_SHAPE_ENTRIES] = {};
    int16_t pointIds[MAX_SHAPE_ENTRIES] = {};
    for (int k = 0; k < n; ++k) {
        const Position corner = plan.corners[size_t(k)];
        const Position entry = LevelToShape(corner);
        entryX[k] = entry.x;
        entryY[k] = entry.y;
        const int16_t id = ids.Draw(level);
        const Position stored = LevelToPoint(corner);
        pointIds[k] = AddPoint(level, id, stored.x, stored.y);
        if (pointIds[k] == id) {
            ids.Used(id);
            Increment(level.pointCount);
        }
    }
    const int16_t shapeId = AddShape(level, ids.Draw(level));
    ids.Used(shapeId);
    Increment(level.shapeCount);
    AddOutline(level, ids, shapeId, entryX, entryY, pointIds, n);
    RefreshConnectorEnds(level);
}

PolygonPlan PlanOn(const Level& level, float x, float y, int16_t firstId, int16_t secondId,
                   uint8_t n) {
    PolygonPlan plan;
    plan.result = PlaceResult::Placed;
    plan.firstId = firstId;
    plan.secondId = secondId;
    plan.sides = n;
    WalkCorners(level, x, y, firstId, secondId, n, plan.corners.data());
    return plan;
}

template <typename Ids> PlaceResult Place(Level& level, Ids& ids, float x, float y, uint8_t n) {
    const PolygonPlan plan = PlanPolygon(level, x, y, n);
    if (plan.result == PlaceResult::Placed) {
        Build(level, ids, plan);
    }
    return plan.result;
}

} // namespace

PolygonPlan PlanPolygon(const Level& level, float x, float y, uint8_t n) {
    PolygonPlan refused;
    if (n < MIN_SIDE_COUNT || n > MAX_SIDE_COUNT) {
        refused.result = PlaceResult::BadSideCount;
        return refused;
    }
    if (IsInsideAnyShape(level, x, y)) {
        refused.result = PlaceResult::InsideShape;
        return refused;
    }
    if (!HasRoomForPolygon(level, n)) {
        refused.result = PlaceResult::LevelFull;
        return refused;
    }
    if (level.pointCount == 0) {
        return PlanOn(level, x, y, 0, 0, n);
    }
    const int16_t first = NearestPoint(level, x, y, 0);
    const int16_t second = NearestPoint(level, x, y, first);
    const Position a = PointPixels(level, first);
    const Position b = PointPixels(level, second);
    // Which side of the line a -> b the click lies on; the polygon is built to the right of
    // the edge it is handed, so the edge is turned to put the click on that side.
    const float clickX = StoreFloat(double(x) - a.x);
    const float clickY = StoreFloat(double(y) - a.y);
    const float edgeX = StoreFloat(double(b.x) - a.x);
    const float edgeY = StoreFloat(double(b.y) - a.y);
    const float side = StoreFloat(double(clickX) * edgeY - double(clickY) * edgeX);
    if (side >= 0.0f) {
        return PlanOn(level, x, y, second, first, n);
    }
    return PlanOn(level, x, y, first, second, n);
}

void BuildPolygon(Level& level, RandomSource& random, float x, float y, int16_t firstId,
                  int16_t secondId, uint8_t n) {
    if (n < MIN_SIDE_COUNT || n > MAX_SIDE_COUNT) {
        return; // the outline would not fit its slots
    }
    IndexedIds ids{random, std::nullopt};
    Build(level, ids, PlanOn(level, x, y, firstId, secondId, n));
}

PlaceResult PlacePolygon(Level& level, RandomSource& random, float x, float y, uint8_t sides) {
    IndexedIds ids{random, std::nullopt};
    return Place(level, ids, x, y, sides);
}

PlaceResult PlacePolygonByScan(Level& level, RandomSource& random, float x, float y,
                               uint8_t sides) {
    ScannedIds ids{random};
    return Place(level, ids, x, y, sides);
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
