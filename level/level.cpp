#include "level.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kivo {

int EntryIndex(const Shape& shape) {
    return static_cast<int>(shape.entryCount);
}

int EntryTotal(const Shape& shape) {
    return static_cast<int>(std::nearbyint(shape.entryCount));
}

uint16_t SideCountsHeld(const Level& level) {
    uint16_t held = 0;
    for (const Shape& shape : level.shapes) {
        const int sides = EntryTotal(shape) - 1;
        if (sides >= 0 && sides < 16) {
            held = uint16_t(held | (1u << sides));
        }
    }
    return held;
}

int OutlineLength(const Shape& shape) {
    return std::clamp(EntryTotal(shape), 0, MAX_SHAPE_ENTRIES);
}

void ClearElements(Level& level) {
    level.points.clear();
    level.connectors.clear();
    level.shapes.clear();
    level.pointCount = 0;
    level.connectorCount = 0;
    level.shapeCount = 0;
}

void CountAsSaved(Level& level) {
    level.pointCount = int16_t(level.points.size());
    level.connectorCount = int16_t(level.connectors.size());
    level.shapeCount = int16_t(level.shapes.size());
}

// Equality compares the exact bits, so that a level restored from a copy can be told apart
// from one that is merely close, and NaN fields from a damaged file still compare equal.
template <typename T> static bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool operator==(const Point& a, const Point& b) {
    return a.id == b.id && SameBits(a.x, b.x) && SameBits(a.y, b.y);
}

bool operator==(const Connector& a, const Connector& b) {
    return a.id == b.id && SameBits(a.pointIds, b.pointIds) && SameBits(a.endX, b.endX) &&
           SameBits(a.endY, b.endY);
}

bool operator==(const Shape& a, const Shape& b) {
    return a.id == b.id && SameBits(a.connectorIds, b.connectorIds) &&
           SameBits(a.entryX, b.entryX) && SameBits(a.entryY, b.entryY) &&
           SameBits(a.entryCount, b.entryCount) && SameBits(a.centreX, b.centreX) &&
           SameBits(a.centreY, b.centreY);
}

bool operator==(const Level& a, const Level& b) {
    return a.points == b.points && a.connectors == b.connectors && a.shapes == b.shapes &&
           a.pointCount == b.pointCount && a.connectorCount == b.connectorCount &&
           a.shapeCount == b.shapeCount && a.smallestSideCount == b.smallestSideCount &&
           SameBits(a.lastRotationAngle, b.lastRotationAngle) && a.targetScore == b.targetScore &&
           a.expertScore == b.expertScore;
}

} // namespace kivo
