// The pack's paths and name as the windows hold them: as text, with the platform's separators
// left to whoever shows them.
#pragma once

#include "storage/check/slot_reading.h"
#include "storage/files/paths.h"
#include "storage/pack/pack.h"

#include <QString>

namespace kivo {

inline QString SlotPath(const QString& packDir, int slot) {
    return PathText(SlotPath(PackAt(packDir), slot));
}

inline QString PackDisplayName(const QString& packDir) {
    return PackDisplayName(PackAt(packDir));
}

} // namespace kivo
