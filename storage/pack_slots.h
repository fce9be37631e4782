// The 101 level slots of a pack: what each one holds. The edits of the slots are in
// slot_edits.h.
#pragma once

#include "level_file.h"
#include "slot_edits.h"

#include "level/drawing.h"
#include "level/level.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace kivo {

enum class SlotKind {
    Template, // holds the template level or nothing at all: not built yet
    Built,
    Problem, // missing, does not load, or refers to ids no element has
};

struct SlotState {
    int slot = 0;
    SlotKind kind = SlotKind::Template;
    bool solvable = true; // the Classic Mode verdict of the level the slot holds
    size_t connectors = 0;
    size_t shapes = 0;
    QString problem; // what Load or kivo-level check says about the file
};

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

// How a slot is marked on its tile: a short label and its colour; no label for a built level
// that can be solved.
struct SlotMark {
    const char* label;
    Colour colour;
};
SlotMark MarkOf(const SlotState& state);

// "24 connectors · 8 shapes" and the verdict on a line of its own, or "no level".
QString SlotCaption(const SlotState& state);

// The slot, its counts and its mark in one sentence, for screen readers.
QString SlotDescription(const SlotState& state);

// Counts the slots: "87 of 101 slots built · 3 not solvable in Classic Mode · 1 problem".
QString SlotSummary(const std::vector<SlotState>& states);

} // namespace kivo
