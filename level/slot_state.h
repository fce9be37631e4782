// What one slot of a pack holds. Storage reads it from the slot's file; painting shows it on
// the overview's tiles and kivo-level's contact sheet, so it lives below both.
#pragma once

#include <cstddef>
#include <string>

namespace kivo {

// A pack's levels in play order: slot 0 is "unlimited", slots 1 to 100 are "kivo1" to "kivo100".
constexpr int PACK_SLOT_COUNT = 101;

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
    std::string problem; // what Load or kivo-level check says about the file, UTF-8
};

} // namespace kivo
