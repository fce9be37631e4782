// What kivo-level finds out about level files, packs and data folders.
#pragma once

#include "level/level.h"

#include <QString>

#include <map>
#include <vector>

namespace kivo {

struct Problem {
    QString path;
    QString what;
};

struct CheckReport {
    std::vector<Problem> problems;
    int levels = 0; // level files read
    int packs = 0;  // pack folders looked at
};

// Checks a level file, a pack folder, a data folder or a start directory holding kivo/.
void CheckPath(const QString& path, CheckReport& report);

// Ids a level refers to that name no element: connector ends and outline connectors.
std::vector<QString> DanglingIds(const Level& level);

struct LevelSummary {
    size_t points = 0;
    size_t connectors = 0;
    size_t shapes = 0;
    std::map<int, int> shapesBySides;
    int smallestSideCount = NO_SHAPE_MINIMUM;
    QString verdict;
    QString targetScore;
    QString expertScore;
};

LevelSummary Summarize(const Level& level);

} // namespace kivo
