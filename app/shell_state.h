// The values the shell keeps between events.
#pragma once

#include <QString>

namespace kivo {

struct ShellState {
    QString baseDir;     // the start directory, ending in '/'
    QString currentFile; // the file Save writes to; empty means Save asks for a name
    QString titleFile;   // the file the window title names; empty for the plain title
    QString recoveryDir; // where the copy of unsaved work is kept, in the user's data folder
};

// The process's working directory, of any length, as baseDir, and the recovery folder in the
// user's data location.
ShellState FindStartDirectory();

// A folder path ending in exactly one '/'.
QString WithTrailingSlash(const QString& folder);

// The folder part of a file path, up to and including its last '/'.
QString FolderOf(const QString& path);

} // namespace kivo
