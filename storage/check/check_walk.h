// What a check meets, walking level files, pack folders, data folders and start directories
// holding kivo/. Paths are the bytes the file system uses, so names that are not UTF-8 are
// walked and named like any other. A pack's files are read through the pack value (pack.h),
// by the same rules as the editor reads them.
#pragma once

#include "storage/files/file_io.h"
#include "storage/pack/pack.h"

#include "level/level.h"

#include <QString>

#include <set>
#include <string>
#include <vector>

namespace kivo {

// Which reader a level file met on the walk is read with.
enum class LevelSource { File, Template, Slot };

// One thing a check meets, in the order it meets them: a level file to read (no problem yet),
// or a problem found on the way. A warning is said but is no problem.
struct CheckStep {
    std::string path;
    QString problem;
    LevelSource source = LevelSource::File;
    bool warning = false;
};

struct CheckWalk {
    std::vector<CheckStep> steps;
    int packs = 0;                     // pack folders looked at
    std::set<std::string> leftFolders; // folders whose leftovers were looked for
};

// Walks the paths in the order given and, within a folder, in name order; no level file is
// read.
CheckWalk WalkPaths(const std::vector<std::string>& paths);

// Reads the level of a step by the reader its source takes; the message says why it cannot be
// loaded, and leaves naming the file to whoever shows it.
FileResult ReadStepLevel(const CheckStep& step, Level& level);

} // namespace kivo
