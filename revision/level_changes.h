// What changed between two versions of a level, found the way a designer would tell it:
// polygons added and removed, a turn or shift of the whole level, the scores. Points and
// connectors are known by their stored ids; a shape, which stores no id, by its connectors.
// The diff and the merge driver both start from here.
#pragma once

#include "level/frames.h"
#include "level/level.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace kivo {

// A polygon as a reviewer sees it.
struct PolygonView {
    size_t index = 0; // into its level's shapes
    int sides = 0;    // entries - 1; 0 or less for a shape with no sides
    bool hasCentre = false;
    Position centre{0.0f, 0.0f}; // level pixels
    // Other shapes of the same level that hold one of its connectors, by index, with how many
    // of its sides each holds.
    std::vector<size_t> sharesWith;
    std::vector<int> sharedSides;
};

// A movement of every point that the two versions have in common.
enum class Movement { None, Moved, Turned, Other };

struct WholeLevelMove {
    Movement kind = Movement::None;
    double dx = 0.0; // level pixels, for Moved
    double dy = 0.0;
    double degrees = 0.0; // clockwise on screen about the canvas centre, for Turned
    size_t pointsMoved = 0;
};

struct ScoreChange {
    std::string before;
    std::string after;
    bool Changed() const { return before != after; }
};

struct LevelChanges {
    std::vector<PolygonView> removed; // shapes of the old level with no match in the new
    std::vector<PolygonView> added;   // shapes of the new level with no match in the old
    WholeLevelMove move;
    ScoreChange target;
    ScoreChange expert;
    // Points and connectors of each version that the other does not have (by id, and for a
    // connector with the same ends), by index.
    std::vector<size_t> oldPointsOnly, newPointsOnly;
    std::vector<size_t> oldConnectorsOnly, newConnectorsOnly;
    // Ids the two versions share, of points and connectors together.
    size_t sharedIds = 0;
    // Nothing a designer would see changed: the same elements at the same places, the same
    // scores, in the same order.
    bool same = true;
};

// `before` and `after` may be null for "no level", as git passes /dev/null for a file that
// is added or deleted: everything is then added or removed.
LevelChanges FindChanges(const Level* before, const Level* after);

// Which shapes hold each connector id: (id, shape index) pairs, sorted. Only the ids of the
// shapes named are looked for, so a few views cost one pass over the level.
using ConnectorUse = std::vector<std::pair<int16_t, size_t>>;
ConnectorUse ConnectorUseOf(const Level& level, const std::vector<size_t>& shapes);

// Whether two levels hold the same elements in the same order and the same scores (shape
// ids, which files do not keep, aside).
bool SameLevel(const Level& a, const Level& b);

// The view of shape `index` of a level.
PolygonView ViewOf(const Level& level, const ConnectorUse& use, size_t index);

// "square", "triangle"...; "polygon of N sides" beyond the named ones.
std::string PolygonNoun(int sides);

// A shape's corners in level pixels (its outline entries without the closing repeat).
std::vector<Position> Corners(const Shape& shape);

// The distinct connector ids of a shape's outline, sorted: what a shape is known by.
std::vector<int16_t> ShapeKey(const Shape& shape);

} // namespace kivo
