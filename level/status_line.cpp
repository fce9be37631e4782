#include "status_line.h"

#include <cmath>

namespace kivo {

int8_t SmallestSideCount(const Level& level) {
    int8_t smallest = NO_SHAPE_MINIMUM;
    for (const Shape& s : level.shapes) {
        const float sides = StoreFloat(double(s.entryCount) - 1.0);
        if (float(smallest) > sides) {
            smallest = static_cast<int8_t>(std::nearbyint(sides));
        }
    }
    return smallest;
}

bool IsClassicModeSolvable(int16_t connectors, int8_t smallestSideCount) {
    // Only a damaged file can bring a shape with fewer than two entries, and so a smallest
    // side count of 0 or less. A polygon without sides cannot be played in Classic Mode, and
    // dividing by it would say nothing, so such a level counts as not solvable.
    if (smallestSideCount <= 0) {
        return false;
    }
    const double quotient = double(float(connectors)) / double(float(smallestSideCount));
    const double truncated = std::trunc(StoreFloat(quotient));
    return truncated == quotient;
}

namespace {

std::string StatusText(int16_t connectors, int8_t smallestSideCount) {
    return std::to_string(connectors) + CONNECTORS_TEXT +
           (IsClassicModeSolvable(connectors, smallestSideCount) ? SOLVABLE_TEXT
                                                                 : NOT_SOLVABLE_TEXT);
}

} // namespace

// An empty level says so, rather than keep the count of the level it replaced; the stored
// smallest side count still waits for the next side.
std::optional<std::string> UpdateStatusLine(Level& level) {
    if (level.connectorCount == 0) {
        if (!level.connectors.empty()) {
            return std::nullopt;
        }
        return StatusText(0, SmallestSideCount(level));
    }
    const int16_t connectors = static_cast<int16_t>(level.connectors.size());
    level.smallestSideCount = SmallestSideCount(level);
    return StatusText(connectors, level.smallestSideCount);
}

} // namespace kivo
