// The contact sheet of a pack: every slot's tile, as the pack overview shows it, in one
// picture with the pack's name and the slot summary above.
#pragma once

#include "render.h"

#include <QString>

namespace kivo {

constexpr int SHEET_COLUMNS = 10;

// The sheet; a folder that is not a pack is refused.
Picture ContactSheet(const QString& packDir);

} // namespace kivo
