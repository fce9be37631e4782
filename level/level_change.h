// The difference between a level before and after one edit, kept small for the common
// edits: a placement only appends, a deletion only removes. Undo and redo swap the level
// between the two states exactly, bit for bit.
#pragma once

#include "level.h"

#include <string>
#include <vector>

namespace kivo {

template <typename T> struct ListChange {
    enum class Kind { Same, Appended, Removed, Replaced };
    Kind kind = Kind::Same;
    // Appended: the tail. Removed: the removed elements, at `indices` (ascending) of the
    // longer list. Replaced: the other state's whole list, swapped in and out.
    std::vector<T> elements;
    std::vector<size_t> indices;
};

// The level's values other than the lists. The selected side count is the window's and
// stays out of the history.
struct LevelValues {
    int16_t pointCount = 0;
    int16_t connectorCount = 0;
    int16_t shapeCount = 0;
    int8_t smallestSideCount = NO_SHAPE_MINIMUM;
    float lastRotationAngle = 0.0f;
    std::string targetScore;
    std::string expertScore;
};

struct LevelChange {
    ListChange<Point> points;
    ListChange<Connector> connectors;
    ListChange<Shape> shapes;
    LevelValues before;
    LevelValues after;
};

LevelChange DiffLevels(const Level& before, const Level& after);

// Takes the level from the after state back to the before state, and forward again. The
// score texts are only set by a change that changed them, so that text typed into the score
// fields since then survives an undo of a placement.
void UndoChange(LevelChange& change, Level& level);
void RedoChange(LevelChange& change, Level& level);

// Whether the edit changed nothing at all.
bool IsEmpty(const LevelChange& change);

} // namespace kivo
