#include "element_ops.h"

#include "element_index.h"
#include "reference_scans.h"

#include <cmath>

namespace kivo {

bool IdInUse(const Level& level, int16_t id) {
    for (const Point& p : level.points) {
        if (p.id == id) {
            return true;
        }
    }
    for (const Connector& c : level.connectors) {
        if (c.id == id) {
            return true;
        }
    }
    for (const Shape& s : level.shapes) {
        if (s.id == id) {
            return true;
        }
    }
    return false;
}

int16_t IdOfDraw(int32_t draw) {
    return static_cast<int16_t>(static_cast<uint16_t>(draw));
}

bool IsGivableId(int16_t id) {
    return id != NO_ELEMENT_ID;
}

std::optional<int16_t> NewUniqueId(const Level& level, RandomSource& random) {
    for (int attempt = 0; attempt < MAX_RANDOM_ID_DRAWS; ++attempt) {
        const int16_t id = IdOfDraw(RandomUpTo(random, ID_DRAW_MAX));
        if (IsGivableId(id) && !IdInUse(level, id)) {
            return id;
        }
    }
    return ChooseFreeId(UsedIds(level), random);
}

bool InMergeBox(const Point& p, float x, float y) {
    return double(p.x) - MERGE_TOLERANCE < x && x < double(p.x) + MERGE_TOLERANCE &&
           double(p.y) - MERGE_TOLERANCE < y && y < double(p.y) + MERGE_TOLERANCE;
}

int16_t AddPoint(Level& level, int16_t id, float x, float y) {
    for (const Point& p : level.points) {
        if (InMergeBox(p, x, y)) {
            return p.id;
        }
    }
    level.points.push_back(Point{id, x, y});
    return id;
}

static const Point* FindPoint(const Level& level, int16_t id) {
    for (const Point& p : level.points) {
        if (p.id == id) {
            return &p;
        }
    }
    return nullptr;
}

float PointX(const Level& level, int16_t id) {
    const Point* p = FindPoint(level, id);
    return p ? p->x : 0.0f;
}

float PointY(const Level& level, int16_t id) {
    const Point* p = FindPoint(level, id);
    return p ? p->y : 0.0f;
}

int16_t AddConnector(Level& level, int16_t id, int16_t a, int16_t b) {
    for (const Connector& c : level.connectors) {
        if ((c.pointIds[0] == a && c.pointIds[1] == b) ||
            (c.pointIds[0] == b && c.pointIds[1] == a)) {
            return c.id;
        }
    }
    AppendConnector(level, id, a, b);
    return id;
}

void AppendConnector(Level& level, int16_t id, int16_t a, int16_t b) {
    Connector added;
    added.id = id;
    added.pointIds[0] = a;
    added.pointIds[1] = b;
    level.connectors.push_back(added);
}

void RefreshConnectorEndsByScan(Level& level) {
    for (Connector& c : level.connectors) {
        for (int end = 0; end < 2; ++end) {
            const int16_t id = c.pointIds[end];
            const Position p = PointToLevel(PointX(level, id), PointY(level, id));
            c.endX[end] = p.x;
            c.endY[end] = p.y;
        }
    }
}

// The same as the scan, with the first point of each id looked up in a table: every
// connector asks for two points, and a large level has thousands of both.
void RefreshConnectorEnds(Level& level) {
    constexpr size_t SMALL_LEVEL = 4096; // below this many lookups the scan is quicker
    if (level.points.size() * level.connectors.size() < SMALL_LEVEL) {
        RefreshConnectorEndsByScan(level);
        return;
    }
    // 16-bit indices keep the table small; a level holds fewer points than the largest.
    constexpr uint16_t NONE = 0xFFFF;
    if (level.points.size() >= NONE) {
        RefreshConnectorEndsByScan(level);
        return;
    }
    std::vector<uint16_t> firstPoint(65536, NONE);
    for (size_t i = level.points.size(); i-- > 0;) {
        firstPoint[static_cast<uint16_t>(level.points[i].id)] = uint16_t(i);
    }
    for (Connector& c : level.connectors) {
        for (int end = 0; end < 2; ++end) {
            const uint16_t i = firstPoint[static_cast<uint16_t>(c.pointIds[end])];
            const Point p = i == NONE ? Point{} : level.points[size_t(i)];
            const Position at = PointToLevel(p.x, p.y);
            c.endX[end] = at.x;
            c.endY[end] = at.y;
        }
    }
}

int16_t AddShape(Level& level, int16_t id) {
    level.shapes.emplace_back().id = id;
    return id;
}

// The mean of every entry but the one just appended; each partial sum is stored as a float.
// A lone entry has nothing to average and is its own centre.
static void RecomputeCentre(Shape& s, int appended) {
    if (appended == 0) {
        s.centreX = s.entryX[0];
        s.centreY = s.entryY[0];
        return;
    }
    s.centreX = 0.0f;
    s.centreY = 0.0f;
    for (int j = 0; j < appended; ++j) {
        s.centreX = StoreFloat(double(s.centreX) + s.entryX[j]);
        s.centreY = StoreFloat(double(s.centreY) + s.entryY[j]);
    }
    s.centreX = StoreFloat(double(s.centreX) / (double(s.entryCount) - 1.0));
    s.centreY = StoreFloat(double(s.centreY) / (double(s.entryCount) - 1.0));
}

bool AppendShapeEntry(Shape& s, float x, float y, int16_t connectorId) {
    const int k = EntryIndex(s);
    if (k < 0 || k >= MAX_SHAPE_ENTRIES) {
        return false;
    }
    s.entryX[k] = x;
    s.entryY[k] = y;
    s.connectorIds[k] = connectorId;
    s.entryCount = StoreFloat(double(s.entryCount) + 1.0);
    RecomputeCentre(s, k);
    return true;
}

bool AppendShapeEntries(Shape& s, int count, const float* x, const float* y,
                        const int16_t* connectorIds) {
    const int first = EntryIndex(s);
    if (count <= 0 || first < 0 || first + count > MAX_SHAPE_ENTRIES) {
        return false;
    }
    for (int j = 0; j < count; ++j) {
        s.entryX[first + j] = x[j];
        s.entryY[first + j] = y[j];
        s.connectorIds[first + j] = connectorIds[j];
        s.entryCount = StoreFloat(double(s.entryCount) + 1.0);
    }
    RecomputeCentre(s, first + count - 1);
    return true;
}

bool AddShapeEntry(Level& level, int16_t shapeId, float x, float y, int16_t connectorId) {
    for (Shape& s : level.shapes) {
        if (s.id == shapeId) {
            return AppendShapeEntry(s, x, y, connectorId);
        }
    }
    return false;
}

// Distance in level pixels from a stored position scaled by (20, 30) to (x, y), with the
// differences and the root each stored as floats.
static float ScaledDistance(float storedX, float storedY, float x, float y) {
    const float dx = StoreFloat(double(storedX) * X_SCALE - x);
    const float dy = StoreFloat(double(storedY) * Y_SCALE - y);
    return StoreFloat(std::sqrt(double(dx) * dx + double(dy) * dy));
}

int16_t NearestPoint(const Level& level, float x, float y, int16_t anchorId) {
    float best = SEARCH_START_DISTANCE;
    int16_t bestId = 0;
    const Position anchor = PointToLevel(PointX(level, anchorId), PointY(level, anchorId));
    for (const Point& p : level.points) {
        const float d = ScaledDistance(p.x, p.y, x, y);
        if (!(d < best) || p.id == anchorId) {
            continue;
        }
        if (anchorId != 0 && ScaledDistance(p.x, p.y, anchor.x, anchor.y) > NEIGHBOUR_RADIUS) {
            continue;
        }
        best = d;
        bestId = p.id;
    }
    return bestId;
}

int16_t NearestShape(const Level& level, float x, float y) {
    float best = SEARCH_START_DISTANCE;
    int16_t bestId = 0;
    for (const Shape& s : level.shapes) {
        const float d = ScaledDistance(s.centreX, s.centreY, x, y);
        if (d < best) {
            best = d;
            bestId = s.id;
        }
    }
    return bestId;
}

} // namespace kivo
