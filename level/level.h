// The one level being edited: its elements, counters and the few values that go with them.
#pragma once

#include "frames.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kivo {

constexpr int MAX_SHAPE_ENTRIES = 17;
constexpr int8_t NO_SHAPE_MINIMUM = 99;
constexpr uint8_t MIN_SIDE_COUNT = 3;
constexpr uint8_t MAX_SIDE_COUNT = 12;

// The score fields' texts of a new or cleared level.
constexpr const char* DEFAULT_TARGET_SCORE = "100";
constexpr const char* DEFAULT_EXPERT_SCORE = "200";

// One corner, stored in the point frame (level-pixel x / 20, y / 30).
struct Point {
    int16_t id = 0;
    float x = 0.0f;
    float y = 0.0f;
};

// One side between two points. endX/endY cache the level-pixel positions of the two points;
// index 0 is end 1, the corner the side was first built from.
struct Connector {
    int16_t id = 0;
    int16_t pointIds[2] = {0, 0};
    float endX[2] = {0.0f, 0.0f};
    float endY[2] = {0.0f, 0.0f};
};

// One polygon: a closed outline whose last entry repeats the first, in the shape frame
// ((level-pixel x + 5) / 20, (y + 5) / 30). entryCount is a float that holds a whole number.
struct Shape {
    int16_t id = 0;
    int16_t connectorIds[MAX_SHAPE_ENTRIES] = {};
    float entryX[MAX_SHAPE_ENTRIES] = {};
    float entryY[MAX_SHAPE_ENTRIES] = {};
    float entryCount = 0.0f;
    float centreX = 0.0f;
    float centreY = 0.0f;
};

// The counters are not the list lengths: placement raises them for what it creates, loading
// takes them from the file, deletion leaves them alone, and saving recounts them.
struct Level {
    std::vector<Point> points;
    std::vector<Connector> connectors;
    std::vector<Shape> shapes;
    int16_t pointCount = 0;
    int16_t connectorCount = 0;
    int16_t shapeCount = 0;
    int8_t smallestSideCount = NO_SHAPE_MINIMUM;
    float lastRotationAngle = 0.0f;
    // The score fields' texts; the file stores them as 16-bit numbers.
    std::string targetScore = DEFAULT_TARGET_SCORE;
    std::string expertScore = DEFAULT_EXPERT_SCORE;
};

// Entry count as the index of the next entry (truncation) and as a side count or loop bound
// (rounding to nearest). For the whole numbers an outline holds they agree.
int EntryIndex(const Shape& shape);
int EntryTotal(const Shape& shape);
// The entries in use, kept within the outline's slots.
int OutlineLength(const Shape& shape);

// The side counts the level's polygons have, as a set: bit n for n sides.
uint16_t SideCountsHeld(const Level& level);

// Empties the three lists and zeroes the counters; every other value stays.
void ClearElements(Level& level);
// What a save leaves: the counters are the list lengths.
void CountAsSaved(Level& level);

bool operator==(const Point& a, const Point& b);
bool operator==(const Connector& a, const Connector& b);
bool operator==(const Shape& a, const Shape& b);
bool operator==(const Level& a, const Level& b);

} // namespace kivo
