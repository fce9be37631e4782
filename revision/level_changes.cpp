#include "level_changes.h"

#include "level/status_line.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace kivo {

namespace {

// How far a point may stray from a recognised turn or shift: the rounding of the stored
// floats, well below anything a designer could place by hand.
constexpr double MOVE_TOLERANCE = 0.05;
constexpr size_t MIN_POINTS_FOR_MOVE = 3;

const Level EMPTY_LEVEL = [] {
    Level level;
    level.targetScore.clear();
    level.expertScore.clear();
    return level;
}();

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The first element with each id, as every look-up by id finds it: its index, or -1.
template <typename T> std::vector<int32_t> FirstById(const std::vector<T>& list) {
    std::vector<int32_t> first(65536, -1);
    for (size_t i = list.size(); i-- > 0;) {
        first[uint16_t(list[i].id)] = int32_t(i);
    }
    return first;
}

bool SameEnds(const Connector& a, const Connector& b) {
    return (a.pointIds[0] == b.pointIds[0] && a.pointIds[1] == b.pointIds[1]) ||
           (a.pointIds[0] == b.pointIds[1] && a.pointIds[1] == b.pointIds[0]);
}

Position PointPixels(const Point& p) {
    return PointToLevel(p.x, p.y);
}

// Points the two versions hold under the same id, by index in each.
struct PointPair {
    size_t before;
    size_t after;
};

// A turn about the canvas centre that takes every pair's old place to its new one, or a
// shift that does; otherwise every moved point is counted as moved on its own.
WholeLevelMove RecogniseMove(const Level& a, const Level& b, const std::vector<PointPair>& pairs) {
    WholeLevelMove move;
    std::vector<PointPair> moved;
    for (const PointPair& pair : pairs) {
        const Point& p = a.points[pair.before];
        const Point& q = b.points[pair.after];
        if (!SameBits(p.x, q.x) || !SameBits(p.y, q.y)) {
            moved.push_back(pair);
        }
    }
    move.pointsMoved = moved.size();
    if (moved.empty()) {
        return move;
    }
    // A turn or shift is told by the points the versions share; two levels that share an id
    // or two by chance are not one level moved.
    if (pairs.size() < MIN_POINTS_FOR_MOVE) {
        move.kind = Movement::Other;
        return move;
    }
    const auto fits = [&](auto&& predicted) {
        for (const PointPair& pair : pairs) {
            const Position from = PointPixels(a.points[pair.before]);
            const Position to = PointPixels(b.points[pair.after]);
            const Position expected = predicted(from);
            if (!(std::fabs(double(expected.x) - to.x) <= MOVE_TOLERANCE &&
                  std::fabs(double(expected.y) - to.y) <= MOVE_TOLERANCE)) {
                return false;
            }
        }
        return true;
    };
    const Position from = PointPixels(a.points[moved.front().before]);
    const Position to = PointPixels(b.points[moved.front().after]);
    const double dx = double(to.x) - from.x;
    const double dy = double(to.y) - from.y;
    if (fits([&](Position p) { return Position{float(p.x + dx), float(p.y + dy)}; })) {
        move.kind = Movement::Moved;
        move.dx = dx;
        move.dy = dy;
        return move;
    }
    // The turn is read off the moved point farthest from the centre, where it is sharpest.
    const auto radius = [](Position p) {
        return std::hypot(double(p.x) - CANVAS_CENTRE_X, double(p.y) - CANVAS_CENTRE_Y);
    };
    const PointPair far = *std::max_element(moved.begin(), moved.end(), [&](auto& l, auto& r) {
        return radius(PointPixels(a.points[l.before])) < radius(PointPixels(a.points[r.before]));
    });
    const Position f = PointPixels(a.points[far.before]);
    const Position t = PointPixels(b.points[far.after]);
    const double angle = std::atan2(double(t.y) - CANVAS_CENTRE_Y, double(t.x) - CANVAS_CENTRE_X) -
                         std::atan2(double(f.y) - CANVAS_CENTRE_Y, double(f.x) - CANVAS_CENTRE_X);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const auto turned = [&](Position p) {
        const double px = double(p.x) - CANVAS_CENTRE_X;
        const double py = double(p.y) - CANVAS_CENTRE_Y;
        return Position{float(c * px - s * py + CANVAS_CENTRE_X),
                        float(s * px + c * py + CANVAS_CENTRE_Y)};
    };
    if (fits(turned)) {
        move.kind = Movement::Turned;
        double degrees = std::remainder(angle * 180.0 / M_PI, 360.0);
        move.degrees = degrees == -180.0 ? 180.0 : degrees;
        return move;
    }
    move.kind = Movement::Other;
    return move;
}

// What a shape is known by, without allocating: its sorted distinct connector ids.
struct Key {
    int count = 0;
    int16_t ids[MAX_SHAPE_ENTRIES] = {};
    bool operator==(const Key& o) const {
        return count == o.count && std::equal(ids, ids + count, o.ids);
    }
};

Key KeyOf(const Shape& shape) {
    Key key;
    key.count = OutlineLength(shape);
    std::copy(shape.connectorIds, shape.connectorIds + key.count, key.ids);
    std::sort(key.ids, key.ids + key.count);
    key.count = int(std::unique(key.ids, key.ids + key.count) - key.ids);
    return key;
}

struct KeyHash {
    size_t operator()(const Key& key) const {
        uint64_t h = 1469598103934665603ull;
        for (int i = 0; i < key.count; ++i) {
            h = (h ^ uint16_t(key.ids[i])) * 1099511628211ull;
        }
        return size_t(h);
    }
};

// Shapes known by their connectors; of shapes with the same connectors, the first of one
// version goes with the first of the other. Versions keep their shapes' order, so most shapes
// match walking both lists side by side; only those left over are looked up.
void MatchShapes(const Level& a, const Level& b, LevelChanges& changes) {
    std::vector<Key> after(b.shapes.size());
    for (size_t i = 0; i < b.shapes.size(); ++i) {
        after[i] = KeyOf(b.shapes[i]);
    }
    std::vector<bool> matched(b.shapes.size(), false);
    std::vector<size_t> left;
    size_t j = 0;
    for (size_t i = 0; i < a.shapes.size(); ++i) {
        if (j < after.size() && KeyOf(a.shapes[i]) == after[j]) {
            matched[j++] = true;
        } else {
            left.push_back(i);
        }
    }
    if (!left.empty()) {
        std::unordered_map<Key, std::vector<size_t>, KeyHash> unmatched;
        for (size_t k = 0; k < after.size(); ++k) {
            if (!matched[k]) {
                unmatched[after[k]].push_back(k);
            }
        }
        std::unordered_map<Key, size_t, KeyHash> taken;
        std::vector<size_t> removed;
        for (const size_t i : left) {
            const Key key = KeyOf(a.shapes[i]);
            const auto found = unmatched.find(key);
            size_t& next = taken[key];
            if (found != unmatched.end() && next < found->second.size()) {
                matched[found->second[next++]] = true;
            } else {
                removed.push_back(i);
            }
        }
        const ConnectorUse use = ConnectorUseOf(a, removed);
        for (const size_t i : removed) {
            changes.removed.push_back(ViewOf(a, use, i));
        }
    }
    std::vector<size_t> added;
    for (size_t i = 0; i < b.shapes.size(); ++i) {
        if (!matched[i]) {
            added.push_back(i);
        }
    }
    const ConnectorUse use = ConnectorUseOf(b, added);
    for (const size_t i : added) {
        changes.added.push_back(ViewOf(b, use, i));
    }
}

void MatchElements(const Level& a, const Level& b, LevelChanges& changes,
                   std::vector<PointPair>& pairs) {
    const auto pointsAfter = FirstById(b.points);
    std::vector<bool> pointSeen(b.points.size(), false);
    for (size_t i = 0; i < a.points.size(); ++i) {
        const int32_t found = pointsAfter[uint16_t(a.points[i].id)];
        if (found < 0 || pointSeen[size_t(found)]) {
            changes.oldPointsOnly.push_back(i);
        } else {
            pointSeen[size_t(found)] = true;
            pairs.push_back({i, size_t(found)});
        }
    }
    for (size_t i = 0; i < b.points.size(); ++i) {
        if (!pointSeen[i]) {
            changes.newPointsOnly.push_back(i);
        }
    }
    const auto connectorsAfter = FirstById(b.connectors);
    std::vector<bool> connectorSeen(b.connectors.size(), false);
    for (size_t i = 0; i < a.connectors.size(); ++i) {
        const int32_t found = connectorsAfter[uint16_t(a.connectors[i].id)];
        if (found < 0 || connectorSeen[size_t(found)] ||
            !SameEnds(a.connectors[i], b.connectors[size_t(found)])) {
            changes.oldConnectorsOnly.push_back(i);
        } else {
            connectorSeen[size_t(found)] = true;
            ++changes.sharedIds;
        }
    }
    for (size_t i = 0; i < b.connectors.size(); ++i) {
        if (!connectorSeen[i]) {
            changes.newConnectorsOnly.push_back(i);
        }
    }
    changes.sharedIds += pairs.size();
}

bool SameLists(const Level& a, const Level& b) {
    return a.points == b.points && a.connectors == b.connectors &&
           a.shapes.size() == b.shapes.size() &&
           std::equal(a.shapes.begin(), a.shapes.end(), b.shapes.begin(),
                      [](const Shape& x, const Shape& y) {
                          // Shape ids are not stored; the reader numbers them.
                          Shape z = y;
                          z.id = x.id;
                          return x == z;
                      });
}

} // namespace

bool SameLevel(const Level& a, const Level& b) {
    return SameLists(a, b) && a.targetScore == b.targetScore && a.expertScore == b.expertScore;
}

std::string PolygonNoun(int sides) {
    static const char* const NAMES[] = {"triangle",   "square",   "pentagon", "hexagon",
                                        "heptagon",   "octagon",  "nonagon",  "decagon",
                                        "hendecagon", "dodecagon"};
    if (sides >= MIN_SIDE_COUNT && sides <= MAX_SIDE_COUNT) {
        return NAMES[sides - MIN_SIDE_COUNT];
    }
    return sides <= 0 ? "shape without sides" : "polygon of " + std::to_string(sides) + " sides";
}

std::vector<Position> Corners(const Shape& shape) {
    std::vector<Position> corners;
    const int entries = OutlineLength(shape);
    for (int k = 0; k + 1 < entries; ++k) {
        corners.push_back(ShapeToLevel(shape.entryX[k], shape.entryY[k]));
    }
    if (entries == 1) {
        corners.push_back(ShapeToLevel(shape.entryX[0], shape.entryY[0]));
    }
    return corners;
}

std::vector<int16_t> ShapeKey(const Shape& shape) {
    std::vector<int16_t> key(shape.connectorIds, shape.connectorIds + OutlineLength(shape));
    std::sort(key.begin(), key.end());
    key.erase(std::unique(key.begin(), key.end()), key.end());
    return key;
}

ConnectorUse ConnectorUseOf(const Level& level, const std::vector<size_t>& shapes) {
    ConnectorUse use;
    if (shapes.empty()) {
        return use;
    }
    std::vector<bool> wanted(65536, false);
    for (const size_t i : shapes) {
        const Shape& s = level.shapes[i];
        for (int k = 0; k < OutlineLength(s); ++k) {
            wanted[uint16_t(s.connectorIds[k])] = true;
        }
    }
    for (size_t i = 0; i < level.shapes.size(); ++i) {
        const Key key = KeyOf(level.shapes[i]);
        for (int k = 0; k < key.count; ++k) {
            if (wanted[uint16_t(key.ids[k])]) {
                use.emplace_back(key.ids[k], i);
            }
        }
    }
    std::sort(use.begin(), use.end());
    return use;
}

PolygonView ViewOf(const Level& level, const ConnectorUse& use, size_t index) {
    const Shape& shape = level.shapes[index];
    PolygonView view;
    view.index = index;
    view.sides = EntryTotal(shape) - 1;
    view.hasCentre = OutlineLength(shape) > 0;
    if (view.hasCentre) {
        view.centre = ShapeToLevel(shape.centreX, shape.centreY);
    }
    for (const int16_t id : ShapeKey(shape)) {
        auto at = std::lower_bound(use.begin(), use.end(), std::make_pair(id, size_t(0)));
        for (; at != use.end() && at->first == id; ++at) {
            if (at->second != index) {
                view.sharesWith.push_back(at->second);
            }
        }
    }
    // Each neighbour stands once for every side it holds.
    std::vector<size_t> each = std::move(view.sharesWith);
    std::sort(each.begin(), each.end());
    view.sharesWith.clear();
    for (size_t i = 0; i < each.size(); ++i) {
        if (i == 0 || each[i] != each[i - 1]) {
            view.sharesWith.push_back(each[i]);
            view.sharedSides.push_back(0);
        }
        ++view.sharedSides.back();
    }
    return view;
}

LevelChanges FindChanges(const Level* before, const Level* after) {
    const Level& a = before != nullptr ? *before : EMPTY_LEVEL;
    const Level& b = after != nullptr ? *after : EMPTY_LEVEL;
    LevelChanges changes;
    std::vector<PointPair> pairs;
    MatchElements(a, b, changes, pairs);
    MatchShapes(a, b, changes);
    changes.move = RecogniseMove(a, b, pairs);
    changes.target = {a.targetScore, b.targetScore};
    changes.expert = {a.expertScore, b.expertScore};
    changes.same = (before == nullptr) == (after == nullptr) && SameLevel(a, b);
    return changes;
}

} // namespace kivo
