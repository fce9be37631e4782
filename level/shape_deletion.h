// Removing a shape with the sides and corners that nothing else uses any more.
// Deletion leaves the level's counters as they are.
#pragma once

#include "level.h"

#include <cstddef>
#include <vector>

namespace kivo {

// What deleting a shape takes out: ascending indices into each of the level's lists. Every
// shape with the id goes; so do its connectors that no other shape's outline holds, and the
// points at their ends that no remaining connector ends at. The undo step of a deletion keeps
// exactly these elements.
struct ShapeDeletion {
    std::vector<size_t> points;
    std::vector<size_t> connectors;
    std::vector<size_t> shapes;
};

ShapeDeletion PlanShapeDeletion(const Level& level, int16_t shapeId);

// Takes out the planned elements; the others keep their order.
void RemovePlanned(Level& level, const ShapeDeletion& plan);

// Plans and removes. Returns true when a shape was removed, so the canvas must be erased; an
// unknown id changes nothing.
bool DeleteShape(Level& level, int16_t shapeId);

} // namespace kivo
