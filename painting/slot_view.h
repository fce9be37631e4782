// How a pack slot is shown: the mark on its tile, its caption, the sentence a screen reader
// says and the line that counts the slots. The overview window and kivo-level's contact sheet
// show slots alike through these.
#pragma once

#include "slot_tile.h"

#include "level/drawing.h"
#include "level/slot_state.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

namespace kivo {

// The marks a tile can carry.
constexpr const char* EMPTY_MARK = "empty";
constexpr const char* NOT_SOLVABLE_MARK = "not solvable";
constexpr const char* PROBLEM_MARK = "problem";
constexpr const char* SLOT_MARKS[] = {EMPTY_MARK, NOT_SOLVABLE_MARK, PROBLEM_MARK};

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

// Which tiles a designer wants to see. Each part left empty lets every slot through; the
// parts that are set must all let a slot through.
struct SlotFilter {
    QString text;            // found in the slot's name, whatever the case
    uint16_t sideCounts = 0; // the level holds any of these (bit n for n sides)
    QStringList marks;       // the slot carries any of these marks
};

bool IsFiltering(const SlotFilter& filter);
// Whether the slot shows. A slot still being read (no state) shows only while the filter asks
// nothing of its level.
bool PassesFilter(const SlotFilter& filter, const QString& name, const SlotState* state,
                  uint16_t sideCounts);

// The tile of a slot named `name` whose level is pictured in `thumbnail`.
TileView SlotTile(const QString& name, const SlotState& state, const QImage& thumbnail);

} // namespace kivo
