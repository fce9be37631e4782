#include "level_merge.h"

#include "level_report.h"

#include "level/element_ops.h"
#include "level/shape_deletion.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace kivo {

namespace {

// Two new polygons closer than this, in level pixels, touch: the editor would have shared
// the corner or side, or refused the second polygon.
constexpr double TOUCH_DISTANCE = 0.75;

// Of the base's points and connectors, the share a side must still hold under the same ids to
// count as a version of the same level.
constexpr double SAME_LEVEL_SHARE = 0.5;

struct Side {
    MergeSide name;
    const Level& level;
    LevelChanges changes;
};

std::string Capitalised(const char* word) {
    std::string text = word;
    text[0] = char(text[0] - 'a' + 'A');
    return text;
}

// Whether a side changed more than its scores.
bool ChangesElements(const LevelChanges& c) {
    return !c.removed.empty() || !c.added.empty() || c.move.kind != Movement::None ||
           !c.oldPointsOnly.empty() || !c.newPointsOnly.empty() || !c.oldConnectorsOnly.empty() ||
           !c.newConnectorsOnly.empty();
}

ConflictPolygon PolygonOf(MergeSide side, const Level& level, size_t shape) {
    return {side, Corners(level.shapes[shape])};
}

std::string Owned(MergeSide side, const PolygonView& view) {
    return std::string(SideName(side)) + "' new " + PolygonText(view);
}

// A side that holds few of the base's ids, and whose own ids are mostly new, is another
// level saved over this one rather than an edit of it.
void CheckSameLevel(const Level& base, const Side& side, std::vector<MergeConflict>& out) {
    const size_t baseIds = base.points.size() + base.connectors.size();
    const size_t sideIds = side.level.points.size() + side.level.connectors.size();
    const size_t shared = side.changes.sharedIds;
    if (baseIds == 0 || double(shared) >= SAME_LEVEL_SHARE * double(baseIds) ||
        double(shared) >= SAME_LEVEL_SHARE * double(sideIds)) {
        return;
    }
    out.push_back({Capitalised(SideName(side.name)) + " is another level altogether: it keeps " +
                       std::to_string(shared) + " of the base's " + std::to_string(baseIds) +
                       " point and connector ids",
                   {}});
}

// A turn, a shift or points moved one by one cannot be combined with the other side's edits,
// whose places were worked out on the unmoved level; scores can.
void CheckMoves(const Side& a, const Side& b, std::vector<MergeConflict>& out) {
    if (a.changes.move.kind == Movement::None || !ChangesElements(b.changes)) {
        return;
    }
    MergeConflict conflict;
    conflict.what = Capitalised(SideName(a.name)) + " " + MoveText(a.changes.move) + ", while " +
                    SideName(b.name) + " changed polygons of the unmoved level";
    for (const PolygonView& view : b.changes.added) {
        conflict.polygons.push_back(PolygonOf(b.name, b.level, view.index));
    }
    out.push_back(std::move(conflict));
}

void CheckScore(const char* name, const ScoreChange& a, const ScoreChange& b,
                std::vector<MergeConflict>& out) {
    if (a.Changed() && b.Changed() && a.after != b.after) {
        out.push_back({std::string("Both sides changed the ") + name + " from " + a.before +
                           ": ours to " + a.after + ", theirs to " + b.after,
                       {}});
    }
}

bool RemovedBy(const LevelChanges& c, size_t baseShape) {
    return std::any_of(c.removed.begin(), c.removed.end(),
                       [&](const PolygonView& v) { return v.index == baseShape; });
}

using ConnectorsById = std::unordered_map<int16_t, const Connector*>;

ConnectorsById ConnectorsOf(const Level& level) {
    ConnectorsById byId;
    for (const Connector& c : level.connectors) {
        byId.emplace(c.id, &c);
    }
    return byId;
}

// The corner point ids of a shape: the ends of its connectors.
std::unordered_set<int16_t> CornerIds(const ConnectorsById& byId, const Shape& shape) {
    std::unordered_set<int16_t> corners;
    for (const int16_t id : ShapeKey(shape)) {
        if (const auto found = byId.find(id); found != byId.end()) {
            corners.insert(found->second->pointIds[0]);
            corners.insert(found->second->pointIds[1]);
        }
    }
    return corners;
}

// A polygon one side removed, to which the other side attached a new polygon by a side or a
// corner: the removal would take away what the new polygon stands on.
void CheckRemovals(const Level& base, const Side& a, const Side& b,
                   std::vector<MergeConflict>& out) {
    if (a.changes.removed.empty() || b.changes.added.empty()) {
        return;
    }
    const ConnectorsById baseConnectors = ConnectorsOf(base);
    const ConnectorsById sideConnectors = ConnectorsOf(b.level);
    for (const PolygonView& removed : a.changes.removed) {
        if (RemovedBy(b.changes, removed.index)) {
            continue;
        }
        const Shape& gone = base.shapes[removed.index];
        const std::vector<int16_t> goneSides = ShapeKey(gone);
        const std::unordered_set<int16_t> goneCorners = CornerIds(baseConnectors, gone);
        for (const PolygonView& added : b.changes.added) {
            const Shape& shape = b.level.shapes[added.index];
            const std::vector<int16_t> sides = ShapeKey(shape);
            const bool bySide = std::any_of(sides.begin(), sides.end(), [&](int16_t id) {
                return std::binary_search(goneSides.begin(), goneSides.end(), id);
            });
            const std::unordered_set<int16_t> corners = CornerIds(sideConnectors, shape);
            const bool byCorner = std::any_of(corners.begin(), corners.end(), [&](int16_t id) {
                return goneCorners.count(id) > 0;
            });
            if (bySide || byCorner) {
                out.push_back({Capitalised(SideName(a.name)) + " removed the " +
                                   PolygonText(removed) + ", to which " + Owned(b.name, added) +
                                   " is attached by a " + (bySide ? "side" : "corner"),
                               {PolygonOf(a.name, base, removed.index),
                                PolygonOf(b.name, b.level, added.index)}});
            }
        }
    }
}

double SegmentDistance(Position p, Position a, Position b) {
    const double abx = double(b.x) - a.x;
    const double aby = double(b.y) - a.y;
    const double apx = double(p.x) - a.x;
    const double apy = double(p.y) - a.y;
    const double length = abx * abx + aby * aby;
    const double t = length > 0.0 ? std::clamp((apx * abx + apy * aby) / length, 0.0, 1.0) : 0.0;
    return std::hypot(apx - t * abx, apy - t * aby);
}

// Whether the base still holds a point at this place, where both sides may attach freely.
bool AtBasePoint(const Level& base, Position p) {
    return std::any_of(base.points.begin(), base.points.end(), [&](const Point& q) {
        const Position at = PointToLevel(q.x, q.y);
        return std::hypot(double(at.x) - p.x, double(at.y) - p.y) < TOUCH_DISTANCE;
    });
}

// A corner of one polygon on a corner or side of the other, away from the base's points.
bool Touches(const Level& base, const std::vector<Position>& a, const std::vector<Position>& b) {
    for (const Position& p : a) {
        for (size_t i = 0; i < b.size(); ++i) {
            if (SegmentDistance(p, b[i], b[(i + 1) % b.size()]) < TOUCH_DISTANCE &&
                !AtBasePoint(base, p)) {
                return true;
            }
        }
    }
    return false;
}

// Whether two convex outlines overlap by more than a touch: no side of either separates them.
bool Overlap(const std::vector<Position>& a, const std::vector<Position>& b) {
    const auto separates = [](const std::vector<Position>& edges, const std::vector<Position>& p,
                              const std::vector<Position>& q) {
        for (size_t i = 0; i < edges.size(); ++i) {
            const Position& e1 = edges[i];
            const Position& e2 = edges[(i + 1) % edges.size()];
            const double nx = double(e2.y) - e1.y;
            const double ny = double(e1.x) - e2.x;
            const double length = std::hypot(nx, ny);
            if (length == 0.0) {
                continue;
            }
            double minP = INFINITY, maxP = -INFINITY, minQ = INFINITY, maxQ = -INFINITY;
            for (const Position& v : p) {
                const double d = (nx * v.x + ny * v.y) / length;
                minP = std::min(minP, d);
                maxP = std::max(maxP, d);
            }
            for (const Position& v : q) {
                const double d = (nx * v.x + ny * v.y) / length;
                minQ = std::min(minQ, d);
                maxQ = std::max(maxQ, d);
            }
            if (std::max(minP, minQ) - std::min(maxP, maxQ) > -TOUCH_DISTANCE) {
                return true;
            }
        }
        return false;
    };
    return !separates(a, a, b) && !separates(b, a, b);
}

void CheckAdditions(const Level& base, const Side& a, const Side& b,
                    std::vector<MergeConflict>& out) {
    for (const PolygonView& ours : a.changes.added) {
        const std::vector<Position> p = Corners(a.level.shapes[ours.index]);
        for (const PolygonView& theirs : b.changes.added) {
            const std::vector<Position> q = Corners(b.level.shapes[theirs.index]);
            const bool overlap = p.size() >= 3 && q.size() >= 3 && Overlap(p, q);
            if (overlap || Touches(base, p, q) || Touches(base, q, p)) {
                out.push_back({Capitalised(Owned(a.name, ours).c_str()) + " and " +
                                   Owned(b.name, theirs) +
                                   (overlap ? " overlap" : " meet at a corner or side"),
                               {{a.name, p}, {b.name, q}}});
            }
        }
    }
}

// Every id the merged level holds, of all three kinds, and the lowest free one.
class IdsInUse {
  public:
    explicit IdsInUse(const Level& level) : used_(65536, false) {
        for (const Point& p : level.points) {
            Take(p.id);
        }
        for (const Connector& c : level.connectors) {
            Take(c.id);
        }
        for (const Shape& s : level.shapes) {
            Take(s.id);
        }
    }
    bool Used(int16_t id) const { return used_[uint16_t(id)]; }
    void Take(int16_t id) { used_[uint16_t(id)] = true; }
    // The id itself when it is free, else the lowest free id other than NO_ELEMENT_ID.
    int16_t Claim(int16_t id) {
        if (Used(id)) {
            while (next_ <= 32767 && (Used(int16_t(next_)) || next_ == NO_ELEMENT_ID)) {
                ++next_;
            }
            id = int16_t(next_ <= 32767 ? next_ : -32768);
        }
        Take(id);
        return id;
    }

  private:
    std::vector<bool> used_;
    int next_ = 1;
};

int16_t Mapped(const std::unordered_map<int16_t, int16_t>& map, int16_t id) {
    const auto found = map.find(id);
    return found == map.end() ? id : found->second;
}

// Appends a side's new points, connectors and polygons, renumbering what is taken.
void AddNewElements(Level& merged, const Side& side, IdsInUse& ids) {
    std::unordered_map<int16_t, int16_t> points;
    std::unordered_map<int16_t, int16_t> connectors;
    for (const size_t i : side.changes.newPointsOnly) {
        Point p = side.level.points[i];
        p.id = points[p.id] = ids.Claim(p.id);
        merged.points.push_back(p);
    }
    for (const size_t i : side.changes.newConnectorsOnly) {
        Connector c = side.level.connectors[i];
        c.id = connectors[c.id] = ids.Claim(c.id);
        c.pointIds[0] = Mapped(points, c.pointIds[0]);
        c.pointIds[1] = Mapped(points, c.pointIds[1]);
        merged.connectors.push_back(c);
    }
    for (const PolygonView& view : side.changes.added) {
        Shape s = side.level.shapes[view.index];
        s.id = ids.Claim(s.id);
        for (int16_t& id : s.connectorIds) {
            id = Mapped(connectors, id);
        }
        merged.shapes.push_back(s);
    }
}

Level Combine(const Level& base, const Side& ours, const Side& theirs) {
    Level merged = base;
    std::vector<int16_t> removed;
    for (const Side* side : {&ours, &theirs}) {
        for (const PolygonView& view : side->changes.removed) {
            removed.push_back(base.shapes[view.index].id);
        }
    }
    for (const int16_t id : removed) {
        DeleteShape(merged, id);
    }
    IdsInUse ids(merged);
    AddNewElements(merged, ours, ids);
    AddNewElements(merged, theirs, ids);
    RefreshConnectorEnds(merged);
    merged.targetScore =
        ours.changes.target.Changed() ? ours.level.targetScore : theirs.level.targetScore;
    merged.expertScore =
        ours.changes.expert.Changed() ? ours.level.expertScore : theirs.level.expertScore;
    merged.pointCount = int16_t(merged.points.size());
    merged.connectorCount = int16_t(merged.connectors.size());
    merged.shapeCount = int16_t(merged.shapes.size());
    return merged;
}

} // namespace

const char* SideName(MergeSide side) {
    return side == MergeSide::Ours ? "ours" : "theirs";
}

MergeResult MergeLevels(const Level& base, const Level& ours, const Level& theirs) {
    MergeResult result;
    const Side a{MergeSide::Ours, ours, FindChanges(&base, &ours)};
    const Side b{MergeSide::Theirs, theirs, FindChanges(&base, &theirs)};
    if (b.changes.same || SameLevel(ours, theirs)) {
        result.take = MergeTake::Ours;
        return result;
    }
    if (a.changes.same) {
        result.take = MergeTake::Theirs;
        return result;
    }
    std::vector<MergeConflict>& conflicts = result.conflicts;
    CheckSameLevel(base, a, conflicts);
    CheckSameLevel(base, b, conflicts);
    if (!conflicts.empty()) {
        return result;
    }
    CheckMoves(a, b, conflicts);
    CheckMoves(b, a, conflicts);
    CheckScore("target score", a.changes.target, b.changes.target, conflicts);
    CheckScore("expert score", a.changes.expert, b.changes.expert, conflicts);
    CheckRemovals(base, a, b, conflicts);
    CheckRemovals(base, b, a, conflicts);
    CheckAdditions(base, a, b, conflicts);
    if (!conflicts.empty()) {
        return result;
    }
    result.take = MergeTake::Merged;
    if (a.changes.move.kind != Movement::None || b.changes.move.kind != Movement::None) {
        // One side moved the level and the other changed only scores.
        const bool oursMoved = a.changes.move.kind != Movement::None;
        result.merged = oursMoved ? ours : theirs;
        const Side& scores = oursMoved ? b : a;
        if (scores.changes.target.Changed()) {
            result.merged.targetScore = scores.level.targetScore;
        }
        if (scores.changes.expert.Changed()) {
            result.merged.expertScore = scores.level.expertScore;
        }
        return result;
    }
    result.merged = Combine(base, a, b);
    return result;
}

} // namespace kivo
