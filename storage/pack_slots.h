// The 101 level slots of a pack: what each one holds. How a slot is shown is painting's
// (slot_view.h); the edits of the slots are in slot_edits.h.
#pragma once

#include "level_file.h"
#include "slot_edits.h"

#include "level/level.h"
#include "level/slot_state.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace kivo {

// A slot read for the overview: its state and the level it holds (empty when it holds none).
struct SlotReading {
    SlotState state;
    Level level;
};

// The pack's name from its config.txt, or its folder's name when that cannot be read.
QString PackDisplayName(const QString& packDir);

// The pack's level file for a slot, and the data folder's template level.
QString SlotPath(const QString& packDir, int slot);
QString TemplatePath(const QString& packDir);

// The template level's bytes, empty when it cannot be read.
QByteArray TemplateBytes(const QString& packDir);

// Reads one slot. templateBytes are the template level's bytes (empty when it cannot be read).
SlotReading ReadSlot(const QString& packDir, int slot, const QByteArray& templateBytes);

} // namespace kivo
