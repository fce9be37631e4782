// The difference between a level before and after one edit, kept small for the common
// edits: a placement only appends, a deletion only removes. Undo and redo swap the level
// between the two states exactly, bit for bit.
#pragma once

#include "level.h"
#include "shape_deletion.h"

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

// What an edit may touch, said before it runs so that its step keeps only that.
enum class ReachKind {
    Values,  // the counters, the side count, the angle or the score texts, no element
    Appends, // placement: elements appended, connector ends refreshed, values
    Removes, // a shape's deletion, RemovePlanned(level, deletion), and nothing else
    Whole,   // anything: centring, rotation, loading, clearing, restoring
};

struct ChangeReach {
    ReachKind kind = ReachKind::Whole;
    ShapeDeletion deletion{}; // Removes: what the deletion takes out, planned once for both
};

// What BeginChange kept of the level before the edit, for EndChange to make the step from.
struct ChangeRecorder {
    ReachKind kind = ReachKind::Whole;
    LevelChange change;      // the values before, and for Removes the planned removals
    size_t pointsBefore = 0; // the list lengths before
    size_t connectorsBefore = 0;
    size_t shapesBefore = 0;
    // Appends: placement refreshes the cached ends of every connector, and one whose point was
    // missing takes new ends when a new point gets that id, so the connectors in place before
    // are kept to compare. Whole: every list.
    std::vector<Connector> connectors;
    std::vector<Point> points;
    std::vector<Shape> shapes;
};

// Around each edit: BeginChange before it, EndChange after it. The step undoes and redoes to
// the same level as one made by DiffLevels, and is empty when the edit changed nothing; its
// cost follows what the reach allows. Whole keeps one copy of the lists, which becomes the step
// unless the list came out the same.
ChangeRecorder BeginChange(const Level& level, const ChangeReach& reach);
LevelChange EndChange(ChangeRecorder&& recorder, const Level& level);

// The step from two whole copies; the recorder is tested and measured against it.
LevelChange DiffLevels(const Level& before, const Level& after);

// Takes the level from the after state back to the before state, and forward again. The
// score texts are only set by a change that changed them, so that text typed into the score
// fields since then survives an undo of a placement.
void UndoChange(LevelChange& change, Level& level);
void RedoChange(LevelChange& change, Level& level);

// Whether the edit changed nothing at all.
bool IsEmpty(const LevelChange& change);

} // namespace kivo
