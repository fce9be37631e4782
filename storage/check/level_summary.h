// What kivo-level's info says of a level: its size, its shapes by side count and whether it
// can be solved in Classic Mode.
#pragma once

#include "level/level.h"

#include <QString>

#include <map>

namespace kivo {

struct LevelSummary {
    size_t points = 0;
    size_t connectors = 0;
    size_t shapes = 0;
    std::map<int, int> shapesBySides;
    int smallestSideCount = NO_SHAPE_MINIMUM;
    bool solvable = true; // in Classic Mode
    QString verdict;      // the status line's sentence for it
    QString targetScore;
    QString expertScore;
};

LevelSummary Summarize(const Level& level);

} // namespace kivo
