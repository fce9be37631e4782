// Builds levels the way a designer does: click by click through the real placement.
#pragma once

#include "construction/polygon.h"

namespace kivo {

struct Clicks {
    Level level;
    RandomSource random = MakeRandomSource(42);

    PlaceResult Click(float x, float y, int sides = 3) {
        return PlacePolygon(level, random, x, y, uint8_t(sides));
    }
};

} // namespace kivo
