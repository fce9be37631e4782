// Removing a shape with the sides and corners that nothing else uses any more.
// Deletion leaves the level's counters as they are.
#pragma once

#include "level.h"

namespace kivo {

// Deletes every shape with this id and, in cascade, its connectors that no other shape's
// outline holds and their points that no other connector ends at. Returns true when a shape
// was removed, so the canvas must be erased; an unknown id changes nothing.
bool DeleteShape(Level& level, int16_t shapeId);

// Deletes every connector with this id and those of its end points no other connector uses.
void DeleteConnector(Level& level, int16_t connectorId);

// Deletes every point with this id.
void DeletePoint(Level& level, int16_t pointId);

} // namespace kivo
