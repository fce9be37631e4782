// Checking level files, packs and data folders: every level loads, every pack is whole, every
// id a level refers to exists; and what editors that are gone left behind is named.
#pragma once

#include "check_walk.h"

#include <QString>

#include <string>
#include <vector>

namespace kivo {

struct Problem {
    std::string path;
    QString what;
    bool warning = false; // said, but the level is sound
};

struct CheckReport {
    std::vector<Problem> problems; // warnings among them
    int levels = 0;                // level files read
    int packs = 0;                 // pack folders looked at
};

// Walks the paths and reads every level file met, on all cores; the problems come in the
// walk's order whatever the number of cores.
CheckReport CheckPaths(const std::vector<std::string>& paths);

// Whether the report holds a problem that is not a warning.
bool HasProblems(const CheckReport& report);

// "203 levels in 2 packs checked, 0 problems".
QString CheckSummary(const CheckReport& report);

} // namespace kivo
