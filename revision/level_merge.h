// Merging two designers' versions of a level from the version they both started from, as a
// merge driver does: changes that do not touch each other are combined; changes that do are
// named as conflicts and never guessed at.
#pragma once

#include "level_changes.h"

#include <string>
#include <vector>

namespace kivo {

enum class MergeSide { Ours, Theirs };

// A polygon a conflict is about, in level pixels.
struct ConflictPolygon {
    MergeSide side;
    std::vector<Position> corners;
};

struct MergeConflict {
    std::string what; // a sentence: which polygons, where, why
    std::vector<ConflictPolygon> polygons;
};

enum class MergeTake {
    Ours,   // ours is the result as it is
    Theirs, // theirs is the result as it is
    Merged, // `merged` is the result
};

struct MergeResult {
    MergeTake take = MergeTake::Ours;
    Level merged;
    std::vector<MergeConflict> conflicts; // the merge is clean when there are none
};

// Ours' and theirs' changes to base, combined: base order with both sides' removals (each
// with the deletion's cascade), then ours' new elements, then theirs'. A new element whose id
// is already taken in the result gets the lowest free id.
MergeResult MergeLevels(const Level& base, const Level& ours, const Level& theirs);

// The side in words: "ours", "theirs".
const char* SideName(MergeSide side);

} // namespace kivo
