// The values the shell keeps between events.
#pragma once

#include <QString>

namespace kivo {

// Where the editor started: the level's file and the shown pack belong to the edit session.
struct ShellState {
    QString baseDir;     // the start directory, ending in '/'
    QString recoveryDir; // where the copy of unsaved work is kept, in the user's data folder
};

// The process's working directory, of any length, as baseDir, and the recovery folder in the
// user's data location.
ShellState FindStartDirectory();

// A folder path ending in exactly one '/'.
QString WithTrailingSlash(const QString& folder);

} // namespace kivo
