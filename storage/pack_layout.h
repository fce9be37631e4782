// Where things lie in the data folder and inside a pack. The game finds a pack's levels by
// these names, so they are fixed.
#pragma once

#include "level_file.h"

#include "level/slot_state.h"

#include <QString>

namespace kivo {

constexpr const char* DATA_FOLDER_NAME = "kivo";             // below the start directory
constexpr const char* TEMPLATE_LEVEL_NAME = "default.kvo";   // in the data folder
constexpr const char* CONFIG_FILE_NAME = "config.txt";       // in a pack
constexpr const char* LEVELS_FOLDER_NAME = "kivo";           // in a pack
constexpr const char* HIGHSCORES_FOLDER_NAME = "highscores"; // in a pack, empty
constexpr const char* PLAYERDATA_FOLDER_NAME = "playerdata"; // in a pack, empty

// A pack still being built is a hidden folder of the data folder with this prefix; it gets
// its pack name only when whole.
constexpr const char* UNFINISHED_PACK_PREFIX = ".kivo-new-pack-";

// The name of a slot (PACK_SLOT_COUNT in play order) and of its level file.
inline QString SlotName(int slot) {
    return slot == 0 ? QStringLiteral("unlimited") : QStringLiteral("kivo%1").arg(slot);
}

inline QString SlotFileName(int slot) {
    return SlotName(slot) + QString::fromLatin1(LEVEL_FILE_EXTENSION);
}

} // namespace kivo
