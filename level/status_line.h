// The status line: how many connectors the level has, and the Classic Mode verdict.
#pragma once

#include "level.h"

#include <optional>
#include <string>

namespace kivo {

constexpr const char* CONNECTORS_TEXT = " Connectors :: ";
constexpr const char* SOLVABLE_TEXT = " This KIVO can be solved in Classic Mode";
constexpr const char* NOT_SOLVABLE_TEXT = " This KIVO can not be solved in Classic Mode";

// Recomputes the smallest side count and returns the new status text. While connectorCount
// is 0 the smallest side count stays; an empty level gets the text for 0 connectors, and a
// level whose counter wrapped to 0 gets no new text: the status bar keeps what it shows.
std::optional<std::string> UpdateStatusLine(Level& level);

// A level can be solved in Classic Mode when its connector count is a whole multiple of the
// side count of its smallest polygon.
bool IsClassicModeSolvable(int16_t connectors, int8_t smallestSideCount);

// The smallest side count among the shapes, NO_SHAPE_MINIMUM when there are none.
int8_t SmallestSideCount(const Level& level);

} // namespace kivo
