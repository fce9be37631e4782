// Building regular polygons from clicks and attaching them to the figure.
#pragma once

#include "level/level.h"
#include "level/random_source.h"

#include <array>

namespace kivo {

constexpr double SIDE_LENGTH = 30.0;

enum class PlaceResult {
    Placed,
    InsideShape,  // the click lies inside a shape: nothing is added
    LevelFull,    // not enough free ids for the whole polygon: nothing is added
    BadSideCount, // the side count is not one of MIN_SIDE_COUNT ... MAX_SIDE_COUNT
};

// What a click at (x, y), level pixels, would place: PlacePolygon's decision and the corners it
// would build, worked out without changing the level and without drawing an id. PlacePolygon
// builds from this very plan, so what it shows is what a click places.
struct PolygonPlan {
    PlaceResult result = PlaceResult::BadSideCount;
    // The base edge handed to the construction; 0 in either builds a free polygon at the click.
    int16_t firstId = 0;
    int16_t secondId = 0;
    uint8_t sides = 0;
    // Corner k in level pixels, for k < sides; set only when the result is Placed.
    std::array<Position, MAX_SIDE_COUNT> corners{};
};
PolygonPlan PlanPolygon(const Level& level, float x, float y, uint8_t sides);

// Places a polygon of the given number of sides for a click at (x, y) in level pixels: free
// on an empty level, otherwise on the edge at the nearest point, on the click's side of it.
PlaceResult PlacePolygon(Level& level, RandomSource& random, float x, float y, uint8_t sides);

// Walks the n corners of a polygon from the base edge firstId -> secondId (or from the click
// when either is 0) and adds its points, connectors and shape. The caller has made sure that
// ids for all of them are free. A side count outside MIN_SIDE_COUNT ... MAX_SIDE_COUNT adds
// nothing.
void BuildPolygon(Level& level, RandomSource& random, float x, float y, int16_t firstId,
                  int16_t secondId, uint8_t n);

// Whether (x, y), in level pixels, lies inside any shape's outline.
bool IsInsideAnyShape(const Level& level, float x, float y);

// Whether the level has free ids for n points, n connectors and a shape, counting every
// element's id as distinct.
bool HasRoomForPolygon(const Level& level, uint8_t n);

} // namespace kivo
