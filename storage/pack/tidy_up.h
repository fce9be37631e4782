// The tidy-up: finishing what editors that are gone left unfinished, as a step of its own that
// the editor takes when it starts (slot edits take the part in their level folder first too),
// and that check reports. It never touches what a running editor still holds (temporary_names.h).
#pragma once

#include "storage/files/file_io.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace kivo {

enum class LeftoverKind {
    SaveTemporary, // an interrupted save's temporary file; its target still holds its level
    Move,          // an interrupted move's journal or the level it held aside: finished
    UnlistedPack,  // a pack folder New was building or Delete was removing: removed
};

struct Leftover {
    std::string name;
    LeftoverKind kind;
};

// What editors that are gone left in a folder, in the order of their names.
std::vector<Leftover> LeftoversIn(const OpenFolder& folder);
// The same, for a check: what each is and what the tidy-up does with it.
QString LeftoverText(LeftoverKind kind);

// Removes an interrupted save's temporary files in a folder; what cannot be removed is named.
QStringList TidyFolder(const std::string& folder);

// The whole data folder: unlisted pack folders are removed, and in every pack interrupted
// moves are finished, saves' temporary files removed and a missing config.txt written empty,
// only ever inside real folders, never through a link. What could not be done is named.
QStringList TidyDataFolder(const std::string& dataFolder);

} // namespace kivo
