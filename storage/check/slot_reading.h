// The 101 level slots of a pack as the overview and the contact sheet show them: what each
// holds and whether that is the template, a level, or a problem. How a slot is drawn is
// painting's (slot_view.h).
#pragma once

#include "storage/pack/pack.h"

#include "level/level.h"
#include "level/slot_state.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace kivo {

// A slot read for the overview: its state and the level it holds (empty when it holds none).
struct SlotReading {
    SlotState state;
    Level level;
};

// The pack's name from its config.txt, or its folder's name when it has none.
QString PackDisplayName(const Pack& pack);

// The template level's bytes, none when it cannot be read: then no slot is marked as holding it.
std::optional<QByteArray> TemplateBytes(const Pack& pack);

// Reads one slot, by the same rules as the slot edits read it.
SlotReading ReadSlotState(const Pack& pack, int slot, const std::optional<QByteArray>& blank);

} // namespace kivo
