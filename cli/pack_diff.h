// kivo-level diff of two versions of a pack or of a data folder: per slot what happened to it,
// moves and exchanges told by content, config.txt's fields and the slot summary before and
// after; in a data folder, packs known by their pack id.
#pragma once

#include "console.h"

namespace kivo {

// Whether a path is a folder: a pack or a data folder for diff.
bool IsPackOrDataFolder(const std::string& path);

// 0 when the two are the same, 1 when they differ, 2 for trouble.
int DiffFolders(const std::string& before, const std::string& after, bool json);

} // namespace kivo
