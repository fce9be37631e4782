// How a pack slot is shown: the mark on its tile, its caption, the sentence a screen reader
// says and the line that counts the slots. The overview window and kivo-level's contact sheet
// show slots alike through these.
#pragma once

#include "slot_tile.h"

#include "level/drawing.h"
#include "level/slot_state.h"

#include <QImage>
#include <QString>

#include <vector>

namespace kivo {

// A short label and its colour; no label for a built level that can be solved.
struct SlotMark {
    const char* label;
    Colour colour;
};
SlotMark MarkOf(const SlotState& state);

// Whether the slot holds nothing to draw: a template slot of an empty template, or a file
// that is missing or does not load. Such a slot gets no Classic Mode verdict.
bool HoldsNoLevel(const SlotState& state);

// "24 connectors · 8 shapes" and the verdict on a line of its own, or "no level".
QString SlotCaption(const SlotState& state);

// The slot's name, its counts and its mark in one sentence, for screen readers.
QString SlotDescription(const QString& name, const SlotState& state);

// Counts the slots: "87 of 101 slots built · 3 not solvable in Classic Mode · 1 problem".
QString SlotSummary(const std::vector<SlotState>& states);

// The tile of a slot named `name` whose level is pictured in `thumbnail`.
TileView SlotTile(const QString& name, const SlotState& state, const QImage& thumbnail);

} // namespace kivo
