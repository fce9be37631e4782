// The values the shell keeps between events.
#pragma once

#include <QString>

namespace kivo {

struct ShellState {
    QString baseDir;     // the start directory, ending in '/'
    QString currentFile; // the file Save writes to; empty means Save asks for a name
    bool quitRequested = false;
};

// The process's working directory, of any length, as baseDir.
ShellState FindStartDirectory();

// A folder path ending in exactly one '/'.
QString WithTrailingSlash(const QString& folder);

// The folder part of a file path, up to and including its last '/'.
QString FolderOf(const QString& path);

} // namespace kivo
