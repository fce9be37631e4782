// What kivo-level finds out about level files, packs and data folders. Paths are the bytes
// the file system uses, so names that are not UTF-8 are walked and named like any other.
#pragma once

#include "level/level.h"

#include <QString>

#include <map>
#include <string>
#include <vector>

namespace kivo {

struct Problem {
    std::string path;
    QString what;
};

struct CheckReport {
    std::vector<Problem> problems;
    int levels = 0; // level files read
    int packs = 0;  // pack folders looked at
};

// Checks a level file, a pack folder, a data folder or a start directory holding kivo/.
void CheckPath(const std::string& path, CheckReport& report);

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
