// What a pack is, and what a check finds out about level files, packs and data folders. The
// pack store's listing and kivo-level go by the same definition. Paths are the bytes the
// file system uses, so names that are not UTF-8 are walked and named like any other.
#pragma once

#include "file_access.h"

#include "level/level.h"

#include <QString>

#include <map>
#include <string>
#include <vector>

namespace kivo {

// A folder itself, never a link to one: only real subfolders of the data folder are packs.
bool IsRealFolder(const std::string& path);

// Whether a name of the data folder is a pack still being built (or left half-made by a
// crash), which is never a pack.
bool IsUnfinishedPackName(const std::string& name);

// One thing a check meets, in the order it meets them: a level file to read (no problem
// yet), or a problem found on the way.
struct CheckStep {
    std::string path;
    QString problem;
};

struct CheckWalk {
    std::vector<CheckStep> steps;
    int packs = 0; // pack folders looked at
};

// Walks level files, pack folders, data folders and start directories holding kivo/, in the
// order given and, within a folder, in name order; no level file is read.
CheckWalk WalkPaths(const std::vector<std::string>& paths);

struct Problem {
    std::string path;
    QString what;
};

struct CheckReport {
    std::vector<Problem> problems;
    std::vector<Problem> warnings; // worth a look, but the level is sound
    int levels = 0;                // level files read
    int packs = 0;                 // pack folders looked at
};

// Walks the paths and reads every level file met, on all cores; the problems come in the
// walk's order whatever the number of cores.
CheckReport CheckPaths(const std::vector<std::string>& paths);

// "203 levels in 2 packs checked, 0 problems".
QString CheckSummary(const CheckReport& report);

// Reads a level file; the message says why it cannot be loaded, and leaves naming the file
// to whoever shows it.
FileResult ReadLevelFile(Level& level, const std::string& path);

// "1 level", "2 levels".
QString Counted(qsizetype count, const char* one, const char* many);

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
