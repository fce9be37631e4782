// The 101 level slots of a pack: what each one holds, and the edits that exchange, copy and
// reset them. How a slot is shown is painting's (slot_view.h). Slot edits write nothing but the
// slot files inside the pack's level folder, and each file is replaced whole, so an interrupted
// edit leaves every slot holding a level.
#pragma once

#include "level_file.h"

#include "level/level.h"
#include "level/slot_state.h"

#include <QByteArray>
#include <QString>

#include <functional>
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

// A slot's whole file, or none when the slot has no file.
struct SlotContent {
    int slot = 0;
    std::optional<QByteArray> bytes;
};

// What an edit writes, and what the slots held before it, to write back on undo.
struct SlotEdit {
    FileResult result;
    std::vector<SlotContent> before;
    std::vector<SlotContent> after;
};

SlotEdit PlanExchange(const QString& packDir, int a, int b);
SlotEdit PlanCopy(const QString& packDir, int from, int to);
SlotEdit PlanReset(const QString& packDir, int slot);

// Replaces one file atomically with the bytes; refuses links and anything but a regular file.
using SlotWriter = std::function<FileResult(const QString& path, const QByteArray& bytes)>;
FileResult ReplaceLevelFile(const QString& path, const QByteArray& bytes);

// Writes each content into its slot in order. When a write fails, the slots already written
// get their earlier files back, so the pack is as it was, and the failure is returned.
FileResult WriteSlots(const QString& packDir, const std::vector<SlotContent>& contents,
                      const SlotWriter& write = ReplaceLevelFile);

} // namespace kivo
