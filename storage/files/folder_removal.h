// Removing a folder with everything in it, safely in folders others may change meanwhile.
#pragma once

#include "file_io.h"

#include <QStringList>

#include <string>

namespace kivo {

// Removes the folder `name` inside `parent` walking by descriptor (openat/unlinkat, each folder
// opened O_NOFOLLOW|O_DIRECTORY), so a folder swapped for a link meanwhile is never followed
// and nothing outside is touched; it stays on the folder's own file system. `shownPath` is
// the folder's path for messages. Each path that stays is returned, quoted, with why.
QStringList RemoveFolderIn(const OpenFolder& parent, const std::string& name,
                           const std::string& shownPath);

} // namespace kivo
